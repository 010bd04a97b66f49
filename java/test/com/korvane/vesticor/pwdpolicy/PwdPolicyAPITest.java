package com.korvane.vesticor.pwdpolicy;

import static com.korvane.vesticor.pwdpolicy.Fixtures.*;
import static com.korvane.vesticor.pwdpolicy.PwdPolicyAPI.*;
import static org.junit.jupiter.api.Assertions.*;

import java.util.Arrays;
import java.util.List;
import java.util.function.ToIntBiFunction;
import org.junit.jupiter.api.*;

/** The natives on an initialised component: answers, codes passed through, bytes, result objects. */
class PwdPolicyAPITest {
    private static final int UNTOUCHED = -77;
    private final PwdPolicyResult result = new PwdPolicyResult();

    static class OnlyByteArr {
        byte[] byteArr;
    }

    @BeforeAll
    static void initialise() throws Exception {
        writeConfiguration(true);
        assertEquals(PPC_OK, PPCInitialize("", 0, 1));
    }

    @BeforeEach
    void untouchedResult() {
        result.intVal = UNTOUCHED;
    }

    @AfterEach
    void noPasswordBufferLeft() {
        assertEquals(0, TestNative.outstandingBlocks(), "password buffers not freed");
        assertEquals(0, TestNative.unwipedBlocks(), "password buffers freed unwiped");
    }

    private int verdict(String pwd, int policyId, int specialCharCheckInd) {
        assertEquals(PPC_OK, PPCIsMatchPolicy(pwd, policyId, specialCharCheckInd, result), pwd);
        return result.intVal;
    }

    @Test
    void checksPutTheirAnswerInIntValOrPassTheirCodeThrough() {
        assertEquals(PPC_OK, PPCIsStrongPwd(STRONG, result));
        assertEquals(1, result.intVal);
        assertEquals(PPC_OK, PPCIsWeakPwd("pässwort", result));
        assertEquals(1, result.intVal);
        // Strings cross as modified UTF-8, id and indicator in their places. Policy 3: 6 to 12 bytes
        // ("abcdé" is six), 2 classes; both bytes of "é" are in its set, 0xA8 of "è" is not.
        assertEquals(PPC_MATCH, verdict("abcdé", 3, 1));
        assertEquals(PPC_BAD_SPECIAL_CHAR, verdict("abcdè", 3, 1));
        // U+0000 is 0xC0 0x80 and does not end the password; outside the BMP, two surrogates of
        // three bytes each make "Ab1" + U+1F600 nine bytes (seven in standard UTF-8: too short).
        assertEquals(PPC_MATCH, verdict("ab\u0000cd", 3, 0));
        assertEquals(PPC_MATCH, verdict("Ab1\uD83D\uDE00", 0, 0));
        result.intVal = UNTOUCHED;
        assertEquals(PPC_ERR_NO_POLICY, PPCIsMatchPolicy(STRONG, ABSENT_POLICY, 0, result));
        assertEquals(UNTOUCHED, result.intVal);
    }

    @Test
    void generatorsFillByteArrAndIntValOrPassTheirCodeThrough() {
        List<ToIntBiFunction<Integer, Object>> generators = List.of(
                (len, r) -> PPCGenSecPwdByPolicy(0, len, r), (len, r) -> PPCGenCryptoPwdByPolicy(0, len, r),
                (len, r) -> PPCGenDefaultSecPwd(len, r));
        // {requested, got}: 0 and negative values ask for policy 0's minlen.
        int[][] lengths = {{12, 12}, {0, 8}, {Integer.MIN_VALUE, 8}};
        for (ToIntBiFunction<Integer, Object> generator : generators) {
            for (int[] row : lengths) {
                PwdPolicyResult pwd = new PwdPolicyResult();
                assertEquals(PPC_OK, generator.applyAsInt(row[0], pwd), "length " + row[0]);
                assertEquals(row[1], pwd.intVal, "length " + row[0]);
                assertEquals(row[1], pwd.byteArr.length, "length " + row[0]);
            }
            assertEquals(PPC_ERR_ALLOC, generator.applyAsInt(Integer.MAX_VALUE, result));
        }
        assertEquals(PPC_ERR_NO_POLICY, PPCGenCryptoPwdByPolicy(ABSENT_POLICY, 10, result));
        assertNull(result.byteArr);
        assertEquals(PPC_OK, PPCGenDefaultSecPwd(9, result));
        result.wipe();
        assertArrayEquals(new byte[9], result.byteArr);
    }

    @Test
    void getPolicyFillsFiveLimitsAndTheSpecialsAndLeavesOtherArraysAlone() throws Exception {
        int[] limits = new int[5];
        assertEquals(PPC_OK, PPCGetPolicy(0, limits, 0, result));
        assertArrayEquals(new int[] {8, 16, 3, 6, 2}, limits);
        assertEquals("!#$%&* ", result.text());
        assertEquals(7, result.intVal);
        assertEquals(PPC_OK, PPCGetPolicy(3, limits, 0, result));
        assertArrayEquals(new byte[] {(byte) 0xC3, (byte) 0xA9, '-'}, result.byteArr);
        int[] other = {UNTOUCHED, UNTOUCHED, UNTOUCHED, UNTOUCHED};  // not five: left alone
        assertEquals(PPC_OK, PPCGetPolicy(0, other, 0, result));
        assertArrayEquals(new int[] {UNTOUCHED, UNTOUCHED, UNTOUCHED, UNTOUCHED}, other);
        // An absent id: the fallback limits, and a null result is not written to. The code is
        // returned, and logged: the binding's only trace of a failed query in the host's log.
        assertEquals(PPC_ERR_NO_POLICY, PPCGetPolicy(ABSENT_POLICY, limits, 7, null));
        assertArrayEquals(new int[] {8, 32, 3, 6, 2}, limits);
        assertTrue(log().contains("]call PPC_GetPolicy result= 3005\n"), log());
    }

    @Test
    void resultFieldsAreFoundByNameAndTypeOrTheCallerGetsTheError() {
        Object none = new Object();
        OnlyByteArr byDefault = new OnlyByteArr();
        int[] limits = new int[5];
        assertThrows(NoSuchFieldError.class, () -> PPCIsWeakPwd("letmein", none));
        assertThrows(NullPointerException.class, () -> PPCIsWeakPwd("letmein", null));
        // A password reaches byteArr before intVal is looked up; its buffer is freed either way.
        assertThrows(NoSuchFieldError.class, () -> PPCGenDefaultSecPwd(10, byDefault));
        assertEquals(10, byDefault.byteArr.length);
        assertThrows(NullPointerException.class, () -> PPCGenSecPwdByPolicy(0, 10, null));
        // The limits are copied back to the array even when the result cannot be set.
        assertThrows(NoSuchFieldError.class, () -> PPCGetPolicy(3, limits, 0, none));
        assertArrayEquals(new int[] {6, 12, 2, 4, 1}, limits);
    }

    @Test
    void judgeGetsStandardUtf8AndListsEveryReason() {
        PwdPolicyJudgement judgement = new PwdPolicyJudgement();
        String[] words = {"Vesticor"};
        String smiles = "Alice-\uD83D\uDE00\uD83D\uDE00"; // 8 code points, as the policy counts them
        assertEquals(PPC_OK, PPCJudgePassword(smiles, 4, 0, "alice", "Alice Liddell", words, smiles + "!",
                judgement));
        assertArrayEquals(new int[] {PPC_REASON_CONTAINS_CONTEXT, PPC_REASON_TOO_CLOSE_TO_OLD}, judgement.reasons);
        assertEquals(PPC_MATCH, judgement.verdict);
        assertEquals(PPC_OK, PPCJudgePassword("VESTICOR", 4, 0, null, null, words, null, judgement));
        assertTrue(Arrays.stream(judgement.reasons).anyMatch(r -> r == PPC_REASON_EQUALS_CONTEXT));
        assertEquals(PPC_OK, PPCJudgePassword("Blue-Kettle-42", 0, 0, "alice", null, null, null, judgement));
        assertTrue(judgement.passes(), judgement.toString()); // policy 0 has no context rules
        assertEquals(PPC_ERR_BAD_ARGUMENT, PPCJudgePassword("abc\u0000defgh", 4, 0, null, null, null, null, judgement));
        assertEquals(PPC_ERR_NO_POLICY, PPCJudgePassword(STRONG, ABSENT_POLICY, 0, null, null, null, null, judgement));
        assertTrue(judgement.passes(), "untouched by a failed call");
    }
}
