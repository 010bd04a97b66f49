package com.korvane.vesticor.pwdpolicy;

import static com.korvane.vesticor.pwdpolicy.PwdPolicyAPI.*;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.charset.StandardCharsets;
import java.util.List;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** The natives on an initialised component: answers, pass-through codes, bytes. */
class PwdPolicyAPITest {
    private static final String NATIVE = "Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_";
    private static final int UNTOUCHED = -77;

    private PwdPolicyResult result;

    @BeforeAll
    static void initialise() throws Exception {
        Fixtures.initialise();
    }

    @BeforeEach
    void freshResult() throws Exception {
        result = new PwdPolicyResult();
        result.intVal = UNTOUCHED;
        TestLog.clear();
    }

    @AfterEach
    void noBufferLeft() {
        assertEquals(0, TestNative.outstandingBlocks(), "password buffers not freed");
    }

    private int verdict(String pwd, int policyId, int specialCharCheckInd) {
        result.intVal = UNTOUCHED;
        assertEquals(PPC_OK, PPCIsMatchPolicy(pwd, policyId, specialCharCheckInd, result));
        return result.intVal;
    }

    @Test
    void checksPutTheirAnswerInIntVal() throws Exception {
        assertEquals(PPC_OK, PPCIsWeakPwd("  letmein ", result));
        assertEquals(1, result.intVal);
        assertEquals(PPC_OK, PPCIsWeakPwd(Fixtures.STRONG, result));
        assertEquals(0, result.intVal);
        assertEquals(PPC_OK, PPCIsStrongPwd(Fixtures.STRONG, result));
        assertEquals(1, result.intVal);
        assertEquals(PPC_OK, PPCIsStrongPwd(Fixtures.WEAK_BUT_WELL_FORMED, result));
        assertEquals(0, result.intVal);
        assertNull(result.byteArr);
        // Policy id and indicator reach the check in their places.
        assertEquals(PPC_TOO_SHORT, verdict("abcde1", 0, 0));
        assertEquals(PPC_MATCH, verdict("abcde1", 3, 0));
        assertEquals(PPC_TOO_LONG, verdict("Abcdefghijklmno1!", 0, 0));
        assertEquals(PPC_BAD_SPECIAL_CHAR, verdict("Abcdef1@", 0, 1));
        assertEquals(PPC_MATCH, verdict("Abcdef1@", 0, 0));
        assertTrue(TestLog.nativeEntries().isEmpty());
    }

    @Test
    void failedCallsPassTheirCodeThroughAndLogIt() throws Exception {
        assertEquals(PPC_ERR_BAD_ARGUMENT, PPCIsMatchPolicy("Abcdef1!", 0, 2, result));
        assertEquals(PPC_ERR_BAD_ARGUMENT, PPCIsMatchPolicy("Abcdef1!", 0, -1, result));
        assertEquals(PPC_ERR_NO_POLICY,
                PPCIsMatchPolicy("Abcdef1!", Fixtures.ABSENT_POLICY, 0, result));
        assertEquals(PPC_ERR_NO_POLICY, PPCGenSecPwdByPolicy(Fixtures.ABSENT_POLICY, 10, result));
        assertEquals(PPC_ERR_ALLOC, PPCGenDefaultSecPwd(Integer.MAX_VALUE, result));
        assertEquals(UNTOUCHED, result.intVal);
        assertNull(result.byteArr);
        assertEquals(List.of(
                        "ERROR|" + NATIVE + "PPCIsMatchPolicy|call PPC_IsMatchPolicy result= 1006",
                        "ERROR|" + NATIVE + "PPCIsMatchPolicy|call PPC_IsMatchPolicy result= 1006",
                        "ERROR|" + NATIVE + "PPCIsMatchPolicy|call PPC_IsMatchPolicy result= 3005",
                        "ERROR|" + NATIVE
                                + "PPCGenSecPwdByPolicy|call PPC_GenSecPwdByPolicy result= 3005",
                        "ERROR|" + NATIVE
                                + "PPCGenDefaultSecPwd|call PPC_GenDefaultSecPwd result= 51"),
                TestLog.nativeEntries());
    }

    @Test
    void secondInitializeReturnsAlreadyInitializedAndLogsNothingInTheBinding() throws Exception {
        assertEquals(PPC_ERR_ALREADY_INITIALIZED, PPCInitialize("", 0, 1));
        assertTrue(TestLog.nativeEntries().isEmpty());
    }

    @Test
    void generatedPasswordFillsByteArrAndIntVal() {
        long allocatedBefore = TestNative.allocatedBlocks();
        assertEquals(PPC_OK, PPCGenSecPwdByPolicy(0, 12, result));
        assertEquals(12, result.intVal);
        assertEquals(12, result.byteArr.length);
        String pwd = result.text();
        assertTrue(pwd.chars().anyMatch(Character::isUpperCase), pwd);
        assertTrue(pwd.chars().anyMatch(Character::isLowerCase), pwd);
        assertTrue(pwd.chars().anyMatch(Character::isDigit), pwd);
        assertTrue(pwd.chars().anyMatch(c -> Fixtures.POLICY0_SPECIALS.indexOf(c) >= 0), pwd);
        assertEquals(PPC_MATCH, verdict(pwd, 0, 1));
        assertEquals(allocatedBefore + 1, TestNative.allocatedBlocks());

        result.wipe();
        assertArrayEquals(new byte[12], result.byteArr);
    }

    @Test
    void unpredictablePasswordFollowsTheSameConventions() throws Exception {
        long allocatedBefore = TestNative.allocatedBlocks();
        assertEquals(PPC_OK, PPCGenCryptoPwdByPolicy(0, 12, result));
        assertEquals(12, result.intVal);
        String pwd = result.text();
        assertEquals(12, pwd.length());
        assertTrue(pwd.chars().anyMatch(Character::isUpperCase), pwd);
        assertTrue(pwd.chars().anyMatch(Character::isLowerCase), pwd);
        assertTrue(pwd.chars().anyMatch(Character::isDigit), pwd);
        assertTrue(pwd.chars().anyMatch(c -> Fixtures.POLICY0_SPECIALS.indexOf(c) >= 0), pwd);
        assertEquals(PPC_MATCH, verdict(pwd, 0, 1));
        assertEquals(allocatedBefore + 1, TestNative.allocatedBlocks());
        assertEquals(PPC_OK, PPCGenCryptoPwdByPolicy(0, 12, result));
        assertTrue(!pwd.equals(result.text()), pwd);

        // Below 6: the policy's minlen, as for the reproducible generator.
        assertEquals(PPC_OK, PPCGenCryptoPwdByPolicy(3, -1, result));
        assertEquals(6, result.intVal);
        assertEquals(6, result.byteArr.length);

        result.intVal = UNTOUCHED;
        result.byteArr = null;
        assertEquals(PPC_ERR_NO_POLICY, PPCGenCryptoPwdByPolicy(Fixtures.ABSENT_POLICY, 10, result));
        assertEquals(PPC_ERR_ALLOC, PPCGenCryptoPwdByPolicy(0, Integer.MAX_VALUE, result));
        assertEquals(UNTOUCHED, result.intVal);
        assertNull(result.byteArr);
        assertEquals(List.of(
                        "ERROR|" + NATIVE
                                + "PPCGenCryptoPwdByPolicy|call PPC_GenCryptoPwdByPolicy result= 3005",
                        "ERROR|" + NATIVE
                                + "PPCGenCryptoPwdByPolicy|call PPC_GenCryptoPwdByPolicy result= 51"),
                TestLog.nativeEntries());
    }

    @Test
    void requestsBelowSixGetThePolicysMinlen() {
        for (int requested : new int[] {0, 5, -1, -5, Integer.MIN_VALUE}) {
            result.intVal = UNTOUCHED;
            assertEquals(PPC_OK, PPCGenDefaultSecPwd(requested, result), "length " + requested);
            assertEquals(8, result.intVal, "length " + requested);
            assertEquals(8, result.byteArr.length, "length " + requested);
        }
        assertEquals(PPC_OK, PPCGenSecPwdByPolicy(3, -1, result));
        assertEquals(6, result.intVal);
        assertEquals(6, result.byteArr.length);
    }

    @Test
    void getPolicyFillsFiveLimitsAndTheSpecials() {
        int[] limits = new int[5];
        assertEquals(PPC_OK, PPCGetPolicy(0, limits, 0, result));
        assertArrayEquals(new int[] {8, 16, 3, 6, 2}, limits);
        assertArrayEquals(Fixtures.POLICY0_SPECIALS.getBytes(StandardCharsets.US_ASCII),
                result.byteArr);
        assertEquals(7, result.intVal);

        assertEquals(PPC_OK, PPCGetPolicy(3, limits, 0, result));
        assertArrayEquals(new int[] {6, 12, 2, 4, 1}, limits);
        assertArrayEquals(Fixtures.POLICY3_SPECIALS, result.byteArr);
        assertEquals(3, result.intVal);
        assertEquals("é-", result.text());
    }

    @Test
    void getPolicyLeavesArraysOfOtherLengthsAloneButStillSetsTheResult() {
        for (int length : new int[] {0, 1, 4, 6}) {
            int[] limits = new int[length];
            java.util.Arrays.fill(limits, -9);
            result = new PwdPolicyResult();
            assertEquals(PPC_OK, PPCGetPolicy(0, limits, 0, result), "length " + length);
            int[] expected = new int[length];
            java.util.Arrays.fill(expected, -9);
            assertArrayEquals(expected, limits, "length " + length);
            assertEquals(7, result.intVal, "length " + length);
            assertEquals(7, result.byteArr.length, "length " + length);
        }
    }

    @Test
    void getPolicyOfAnAbsentIdWritesTheFallbackAndLeavesTheResult() throws Exception {
        int[] limits = new int[5];
        assertEquals(PPC_ERR_NO_POLICY, PPCGetPolicy(Fixtures.ABSENT_POLICY, limits, 7, result));
        assertArrayEquals(new int[] {8, 32, 3, 6, 2}, limits);
        assertEquals(UNTOUCHED, result.intVal);
        assertNull(result.byteArr);
        assertEquals(List.of("ERROR|" + NATIVE + "PPCGetPolicy|call PPC_GetPolicy result= 3005"),
                TestLog.nativeEntries());
    }

    @Test
    void stringsCrossAsModifiedUtf8Bytes() {
        // Policy 3: 6 to 12 bytes, 2 classes. "é" is two bytes of the special class, so
        // five characters are long enough and four are not.
        assertEquals(PPC_MATCH, verdict("abcdé", 3, 0));
        assertEquals(PPC_TOO_SHORT, verdict("abcé", 3, 0));
        assertEquals(PPC_TOO_FEW_CLASSES, verdict("ééé", 3, 0));
        // Both bytes of "é" are in policy 3's set; "è" is 0xC3 0xA8 and 0xA8 is not.
        assertEquals(PPC_MATCH, verdict("abcdé", 3, 1));
        assertEquals(PPC_BAD_SPECIAL_CHAR, verdict("abcdè", 3, 1));
        // U+0000 is 0xC0 0x80 and does not end the password: six bytes, two classes.
        assertEquals(PPC_MATCH, verdict("ab\u0000cd", 3, 0));
        assertEquals(PPC_TOO_SHORT, verdict("a\u0000b", 3, 0));
        // Outside the BMP: two surrogates of three bytes, so "Ab1" + U+1F600 is nine bytes,
        // enough for policy 0 where standard UTF-8 (seven bytes) would not be.
        assertEquals(PPC_MATCH, verdict("Ab1\uD83D\uDE00", 0, 0));
        assertEquals(PPC_TOO_LONG, verdict("Abcdefghij1\uD83D\uDE00", 0, 0));

        assertEquals(PPC_OK, PPCIsWeakPwd("pässwort", result));
        assertEquals(1, result.intVal);
        assertEquals(PPC_OK, PPCIsWeakPwd("passwort", result));
        assertEquals(0, result.intVal);
    }
}
