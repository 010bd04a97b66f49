package com.korvane.vesticor.pwdpolicy;

import static com.korvane.vesticor.pwdpolicy.PwdPolicyAPI.*;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;

import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.Callable;
import java.util.concurrent.CyclicBarrier;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.MethodOrderer;
import org.junit.jupiter.api.Order;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.TestMethodOrder;

/** Several Java threads in the natives at once, each with its own JNIEnv and result. */
@TestMethodOrder(MethodOrderer.OrderAnnotation.class)
class PwdPolicyAPIThreadsTest {
    private static final int THREADS = 8;

    /** Runs `task` on THREADS threads released together; returns their failures. */
    private static List<String> runTogether(Callable<String> task) throws Exception {
        CyclicBarrier start = new CyclicBarrier(THREADS);
        ExecutorService pool = Executors.newFixedThreadPool(THREADS);
        try {
            List<Future<String>> outcomes = new ArrayList<>();
            for (int i = 0; i < THREADS; ++i) {
                outcomes.add(pool.submit(() -> {
                    start.await();
                    return task.call();
                }));
            }
            List<String> failures = new ArrayList<>();
            for (Future<String> outcome : outcomes) {
                String failure = outcome.get(60, TimeUnit.SECONDS);
                if (failure != null) {
                    failures.add(failure);
                }
            }
            return failures;
        } finally {
            pool.shutdownNow();
        }
    }

    @Test
    @Order(1)
    void firstCallsRacingInitialiseTheComponentOnce() throws Exception {
        try (ConfigFile config = new ConfigFile()) {
            config.write(Fixtures.configuration(true));
            TestLog.clear();
            List<String> failures = runTogether(() -> {
                PwdPolicyResult result = new PwdPolicyResult();
                int status = PPCIsStrongPwd(Fixtures.STRONG, result);
                return status == PPC_OK && result.intVal == 1
                        ? null
                        : "status " + status + " intVal " + result.intVal;
            });
            assertEquals(List.of(), failures);
        }
        long banners = TestLog.entries().stream()
                .filter(entry -> entry.contains("PwdPolicyLib version"))
                .count();
        assertEquals(1, banners);
    }

    @Test
    @Order(2)
    void everyNativeAnswersCorrectlyUnderLoad() throws Exception {
        List<String> failures = runTogether(() -> {
            PwdPolicyResult result = new PwdPolicyResult();
            int[] limits = new int[5];
            for (int i = 0; i < 300; ++i) {
                int length = 8 + i % 9;
                String step;
                if (PPCIsWeakPwd("letmein", result) != PPC_OK || result.intVal != 1) {
                    step = "weak";
                } else if (PPCIsStrongPwd(Fixtures.WEAK_BUT_WELL_FORMED, result) != PPC_OK
                        || result.intVal != 0) {
                    step = "strong";
                } else if (PPCIsMatchPolicy("abcdefgh", 0, 0, result) != PPC_OK
                        || result.intVal != PPC_TOO_FEW_CLASSES) {
                    step = "match";
                } else if (PPCGenSecPwdByPolicy(0, length, result) != PPC_OK
                        || result.intVal != length || result.byteArr.length != length) {
                    step = "generate";
                } else if (PPCIsMatchPolicy(result.text(), 0, 1, result) != PPC_OK
                        || result.intVal != PPC_MATCH) {
                    step = "generated password";
                } else if (PPCGenDefaultSecPwd(0, result) != PPC_OK || result.intVal != 8) {
                    step = "generate default";
                } else if (PPCGetPolicy(3, limits, 0, result) != PPC_OK || result.intVal != 3
                        || limits[0] != 6 || limits[1] != 12) {
                    step = "policy";
                } else {
                    continue;
                }
                return step + " failed in round " + i;
            }
            return null;
        });
        assertEquals(List.of(), failures);
        assertEquals(0, TestNative.outstandingBlocks());
        int[] limits = new int[5];
        assertEquals(PPC_OK, PPCGetPolicy(0, limits, 0, new PwdPolicyResult()));
        assertArrayEquals(new int[] {8, 16, 3, 6, 2}, limits);
    }
}
