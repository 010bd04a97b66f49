package com.korvane.vesticor.pwdpolicy;

import static com.korvane.vesticor.pwdpolicy.PwdPolicyAPI.*;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;

import java.util.List;
import org.junit.jupiter.api.Test;

/** Initialisation and finalisation codes through the binding, on a fresh component. */
class PwdPolicyAPILifecycleTest {
    private static final String NATIVE = "Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_";

    @Test
    void codesOfALifecyclePassThroughUnchanged() throws Exception {
        PwdPolicyResult result = new PwdPolicyResult();
        int[] limits = new int[5];
        // The store is empty, and GetPolicy never initialises.
        assertEquals(PPC_ERR_NO_POLICY, PPCGetPolicy(0, limits, 0, result));
        assertArrayEquals(new int[] {8, 15, 3, 6, 2}, limits);
        assertEquals(PPC_ERR_NOT_INITIALIZED, PPCFinalize());

        try (ConfigFile config = new ConfigFile()) {
            config.write(Fixtures.configuration(false));
            assertEquals(PPC_ERR_BAD_ARGUMENT, PPCInitialize("", 2, 0));
            assertEquals(PPC_ERR_BAD_ARGUMENT, PPCInitialize("", 0, -1));
            config.remove();
            assertEquals(PPC_ERR_DATA_LOAD, PPCInitialize("", 0, 0));
            config.write(Fixtures.configuration(false));
            TestLog.clear();
            assertEquals(PPC_OK, PPCInitialize("/the/path/is/not/read", 0, 1));
            assertEquals(PPC_ERR_ALREADY_INITIALIZED, PPCInitialize("", 0, 1));
        }
        assertEquals(List.of(), TestLog.nativeEntries());

        // This configuration has no policy 0.
        result.intVal = -77;
        assertEquals(PPC_ERR_NO_POLICY, PPCIsStrongPwd(Fixtures.STRONG, result));
        assertEquals(PPC_ERR_NO_POLICY, PPCGenDefaultSecPwd(10, result));
        assertEquals(-77, result.intVal);
        assertNull(result.byteArr);
        assertEquals(List.of(
                        "ERROR|" + NATIVE + "PPCIsStrongPwd|call PPC_IsStrongPwd result= 3005",
                        "ERROR|" + NATIVE
                                + "PPCGenDefaultSecPwd|call PPC_GenDefaultSecPwd result= 3005"),
                TestLog.nativeEntries());
        assertEquals(PPC_OK, PPCGenSecPwdByPolicy(3, 10, result));
        assertEquals(10, result.intVal);

        assertEquals(PPC_OK, PPCFinalize());
        assertEquals(PPC_ERR_NOT_INITIALIZED, PPCFinalize());
        assertEquals(0, TestNative.outstandingBlocks());
    }
}
