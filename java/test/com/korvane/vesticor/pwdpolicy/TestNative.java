package com.korvane.vesticor.pwdpolicy;

/** Natives of the test support library, libppcjavatest.so. */
final class TestNative {
    static {
        System.loadLibrary("ppcjavatest");
    }

    private TestNative() {}

    /** Password buffers the component has allocated in this process (needs LD_PRELOAD). */
    static native long allocatedBlocks();

    /** Of those, the ones not freed yet; -1 when the count cannot be trusted. */
    static native long outstandingBlocks();
}
