package com.korvane.vesticor.pwdpolicy;

import static com.korvane.vesticor.pwdpolicy.PwdPolicyAPI.*;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;

import java.util.List;
import org.junit.jupiter.api.MethodOrderer;
import org.junit.jupiter.api.Order;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.TestMethodOrder;

/**
 * Null references: a NullPointerException in the caller, never a crashed JVM. The first case
 * needs a component that has never been initialised.
 */
@TestMethodOrder(MethodOrderer.OrderAnnotation.class)
class PwdPolicyAPINullTest {
    private static final String NATIVE = "Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_";

    @Test
    @Order(1)
    void nullArgumentsThrowBeforeTheComponentIsCalled() throws Exception {
        PwdPolicyResult result = new PwdPolicyResult();
        result.intVal = -77;
        // With a valid configuration in place, a call that reached the component would
        // initialise it on demand.
        try (ConfigFile config = new ConfigFile()) {
            config.write(Fixtures.configuration(true));
            TestLog.clear();
            assertThrows(NullPointerException.class, () -> PPCInitialize(null, 0, 1));
            assertThrows(NullPointerException.class, () -> PPCIsWeakPwd(null, result));
            assertThrows(NullPointerException.class, () -> PPCIsStrongPwd(null, result));
            assertThrows(NullPointerException.class, () -> PPCIsMatchPolicy(null, 0, 0, result));
            assertThrows(NullPointerException.class, () -> PPCGetPolicy(0, null, 0, result));
            assertEquals(List.of(
                            "ERROR|" + NATIVE
                                    + "PPCInitialize|PPC_Initialize ExceptionOccurred for jconfFile",
                            "ERROR|" + NATIVE + "PPCIsWeakPwd|PPCIsWeakPwd ExceptionOccurred for jpwd",
                            "ERROR|" + NATIVE
                                    + "PPCIsStrongPwd|PPCIsStrongPwd ExceptionOccurred for jpwd",
                            "ERROR|" + NATIVE
                                    + "PPCIsMatchPolicy|PPC_IsMatchPolicy ExceptionOccurred for jpwd",
                            "ERROR|" + NATIVE + "PPCGetPolicy|PPCGetPolicy.GetIntArrayElements"
                                    + " ExceptionOccurred for jlenArray"),
                    TestLog.entries());
            assertEquals(PPC_ERR_NOT_INITIALIZED, PPCFinalize());
        }
        assertEquals(-77, result.intVal);
        assertNull(result.byteArr);
    }

    @Test
    @Order(2)
    void nullResultThrowsOnlyWhenThereIsSomethingToWrite() throws Exception {
        Fixtures.initialise();
        TestLog.clear();
        assertThrows(NullPointerException.class, () -> PPCIsWeakPwd("letmein", null));
        assertEquals(PPC_ERR_BAD_ARGUMENT, PPCIsMatchPolicy(Fixtures.STRONG, 0, 2, null));

        long allocatedBefore = TestNative.allocatedBlocks();
        assertThrows(NullPointerException.class, () -> PPCGenDefaultSecPwd(10, null));
        assertEquals(allocatedBefore + 1, TestNative.allocatedBlocks());
        assertEquals(0, TestNative.outstandingBlocks(), "the password buffer was not freed");

        int[] limits = new int[5];
        assertThrows(NullPointerException.class, () -> PPCGetPolicy(0, limits, 0, null));
        assertArrayEquals(new int[] {8, 16, 3, 6, 2}, limits);
        assertEquals(PPC_ERR_NO_POLICY, PPCGetPolicy(Fixtures.ABSENT_POLICY, limits, 0, null));

        assertEquals(List.of("ERROR|SetIntVal|SetIntVal ExceptionOccurred for intVal",
                             "ERROR|" + NATIVE
                                     + "PPCIsMatchPolicy|call PPC_IsMatchPolicy result= 1006",
                             "ERROR|SetStringVal|SetStringVal ExceptionOccurred for byteArr",
                             "ERROR|SetStringVal|SetStringVal ExceptionOccurred for byteArr",
                             "ERROR|" + NATIVE + "PPCGetPolicy|call PPC_GetPolicy result= 3005"),
                TestLog.errors());
    }
}
