package com.korvane.vesticor.pwdpolicy;

import static com.korvane.vesticor.pwdpolicy.Fixtures.*;
import static com.korvane.vesticor.pwdpolicy.PwdPolicyAPI.*;
import static org.junit.jupiter.api.Assertions.*;

import java.util.Collections;
import java.util.concurrent.*;
import org.junit.jupiter.api.*;

/** What needs a JVM of its own: the component not initialised yet, a heap of 8 MiB (-Xmx8m), Java
 * threads racing to make the first call. */
@TestMethodOrder(MethodOrderer.OrderAnnotation.class)
class PwdPolicyAPIFreshTest {
    private static final int TOO_LARGE = 10 << 20;
    private static final int THREADS = 8;

    @Test
    @Order(1)
    void nullArgumentsAndLifecycleCodesPassThrough() throws Exception {
        PwdPolicyResult result = new PwdPolicyResult();
        result.intVal = -77;
        // A call that reached the component would initialise it on demand from this file.
        writeConfiguration(false);
        assertThrows(NullPointerException.class, () -> PPCInitialize(null, 0, 1));
        assertThrows(NullPointerException.class, () -> PPCIsWeakPwd(null, result));
        assertThrows(NullPointerException.class, () -> PPCGetPolicy(0, null, 0, result));
        assertEquals(PPC_ERR_NOT_INITIALIZED, PPCFinalize());
        assertEquals(PPC_OK, PPCInitialize("/the/path/is/not/read", 0, 1));
        assertEquals(PPC_ERR_NO_POLICY, PPCIsStrongPwd(STRONG, result));
        // NewByteArray fails: OutOfMemoryError, the result untouched, the buffer freed.
        assertThrows(OutOfMemoryError.class, () -> PPCGenSecPwdByPolicy(3, TOO_LARGE, result));
        assertEquals(-77, result.intVal);
        assertNull(result.byteArr);
        assertEquals(0, TestNative.outstandingBlocks());
        assertEquals(PPC_OK, PPCFinalize());
    }

    /** Natives round after round, each answer checked; the first failure, or null. */
    private static String callEveryNative() {
        PwdPolicyResult r = new PwdPolicyResult();
        int[] limits = new int[5];
        for (int i = 0; i < 300; ++i) {
            int length = 8 + i % 9;
            if (PPCIsWeakPwd("letmein", r) != PPC_OK || r.intVal != 1
                    || PPCGenSecPwdByPolicy(0, length, r) != PPC_OK || r.byteArr.length != length
                    || PPCGetPolicy(3, limits, 0, r) != PPC_OK || r.intVal != 3 || limits[1] != 12) {
                return "round " + i;
            }
        }
        return null;
    }

    @Test
    @Order(2)
    void threadsCallingFromTheFirstCallOnGetTheirOwnAnswers() throws Exception {
        writeConfiguration(true);
        CyclicBarrier start = new CyclicBarrier(THREADS);
        ExecutorService pool = Executors.newFixedThreadPool(THREADS);
        Callable<String> task = () -> {
            start.await();
            return callEveryNative();
        };
        for (Future<String> failure : pool.invokeAll(Collections.nCopies(THREADS, task))) {
            assertNull(failure.get());
        }
        pool.shutdown();
        assertEquals(0, TestNative.outstandingBlocks());
    }
}
