package com.korvane.vesticor.pwdpolicy;

import static com.korvane.vesticor.pwdpolicy.PwdPolicyAPI.*;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;

import java.util.List;
import org.junit.jupiter.api.Test;

/**
 * A password larger than the Java heap (the JVM runs with -Xmx8m): NewByteArray fails, and
 * the caller gets the OutOfMemoryError with its result untouched and the buffer freed.
 */
class PwdPolicyAPIHeapTest {
    private static final int TOO_LARGE = 10 << 20;

    @Test
    void passwordTheHeapCannotHoldThrowsOutOfMemoryError() throws Exception {
        Fixtures.initialise();
        TestLog.clear();
        PwdPolicyResult result = new PwdPolicyResult();
        result.intVal = -77;
        assertThrows(OutOfMemoryError.class, () -> PPCGenDefaultSecPwd(TOO_LARGE, result));
        assertEquals(-77, result.intVal);
        assertNull(result.byteArr);
        assertEquals(0, TestNative.outstandingBlocks());
        assertEquals(List.of("ERROR|SetStringVal|SetStringVal NewByteArray failed for "
                        + TOO_LARGE + " bytes"),
                TestLog.errors());

        assertEquals(PPC_OK, PPCGenDefaultSecPwd(10, result));
        assertEquals(10, result.byteArr.length);
    }
}
