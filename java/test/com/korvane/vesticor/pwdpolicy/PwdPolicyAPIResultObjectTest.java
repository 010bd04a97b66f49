package com.korvane.vesticor.pwdpolicy;

import static com.korvane.vesticor.pwdpolicy.PwdPolicyAPI.*;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;

import java.util.List;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** Result objects of other classes: the fields are found by name and type, or not at all. */
class PwdPolicyAPIResultObjectTest {
    static class NoFields {}

    static class OnlyByteArr {
        byte[] byteArr;
    }

    static class OnlyIntVal {
        int intVal = -77;
    }

    static class WrongTypes {
        long intVal = -77;
        String byteArr;
    }

    static class PrivateFields {
        private int intVal;
        private byte[] byteArr;
    }

    static class Derived extends PwdPolicyResult {}

    @BeforeAll
    static void initialise() throws Exception {
        Fixtures.initialise();
    }

    @BeforeEach
    void clearLog() throws Exception {
        TestLog.clear();
    }

    @AfterEach
    void noBufferLeft() {
        assertEquals(0, TestNative.outstandingBlocks(), "password buffers not freed");
    }

    @Test
    void checkWithoutIntValEndsInNoSuchFieldError() throws Exception {
        assertThrows(NoSuchFieldError.class, () -> PPCIsWeakPwd("letmein", new NoFields()));
        WrongTypes wrong = new WrongTypes();
        assertThrows(NoSuchFieldError.class, () -> PPCIsStrongPwd(Fixtures.STRONG, wrong));
        assertThrows(NoSuchFieldError.class, () -> PPCIsMatchPolicy(Fixtures.STRONG, 0, 0, wrong));
        assertEquals(-77, wrong.intVal);
        assertEquals(List.of("ERROR|SetIntVal|SetIntVal ExceptionOccurred for intVal",
                             "ERROR|SetIntVal|SetIntVal ExceptionOccurred for intVal",
                             "ERROR|SetIntVal|SetIntVal ExceptionOccurred for intVal"),
                TestLog.errors());
    }

    @Test
    void passwordWithoutIntValStillReachesByteArrAndIsFreed() throws Exception {
        long allocatedBefore = TestNative.allocatedBlocks();
        OnlyByteArr byDefault = new OnlyByteArr();
        assertThrows(NoSuchFieldError.class, () -> PPCGenDefaultSecPwd(10, byDefault));
        assertEquals(10, byDefault.byteArr.length);
        OnlyByteArr byPolicy = new OnlyByteArr();
        assertThrows(NoSuchFieldError.class, () -> PPCGenSecPwdByPolicy(3, 0, byPolicy));
        assertEquals(6, byPolicy.byteArr.length);
        assertEquals(allocatedBefore + 2, TestNative.allocatedBlocks());
        assertEquals(List.of("ERROR|SetStringVal|SetStringVal ExceptionOccurred for intVal",
                             "ERROR|SetStringVal|SetStringVal ExceptionOccurred for intVal"),
                TestLog.errors());
    }

    @Test
    void textWithoutByteArrSetsNothing() throws Exception {
        OnlyIntVal onlyIntVal = new OnlyIntVal();
        assertThrows(NoSuchFieldError.class, () -> PPCGenDefaultSecPwd(10, onlyIntVal));
        WrongTypes wrong = new WrongTypes();
        assertThrows(NoSuchFieldError.class, () -> PPCGenDefaultSecPwd(10, wrong));
        // The limits are copied back to the array even when the result cannot be set.
        int[] limits = new int[5];
        assertThrows(NoSuchFieldError.class, () -> PPCGetPolicy(0, limits, 0, onlyIntVal));
        assertArrayEquals(new int[] {8, 16, 3, 6, 2}, limits);
        assertEquals(-77, onlyIntVal.intVal);
        assertEquals(-77, wrong.intVal);
        assertNull(wrong.byteArr);
        assertEquals(List.of("ERROR|SetStringVal|SetStringVal ExceptionOccurred for byteArr",
                             "ERROR|SetStringVal|SetStringVal ExceptionOccurred for byteArr",
                             "ERROR|SetStringVal|SetStringVal ExceptionOccurred for byteArr"),
                TestLog.errors());
    }

    @Test
    void anyClassWithBothFieldsWorks() {
        PrivateFields own = new PrivateFields();
        assertEquals(PPC_OK, PPCGetPolicy(3, new int[5], 0, own));
        assertEquals(3, own.intVal);
        assertArrayEquals(Fixtures.POLICY3_SPECIALS, own.byteArr);
        assertEquals(PPC_OK, PPCIsWeakPwd("password", own));
        assertEquals(1, own.intVal);

        Derived derived = new Derived();
        assertEquals(PPC_OK, PPCGenDefaultSecPwd(9, derived));
        assertEquals(9, derived.intVal);
        assertEquals(9, derived.byteArr.length);
    }
}
