package com.korvane.vesticor.pwdpolicy;

/** Natives of the test support library, libppcjavatest.so. */
final class TestNative {
    static {
        System.loadLibrary("ppcjavatest");
    }

    private TestNative() {}

    /** Opens {@code path} and waits for an exclusive flock(2) on it; returns the descriptor. */
    static native int lockExclusive(String path) throws java.io.IOException;

    /** Closes a descriptor from {@link #lockExclusive}, releasing its lock. */
    static native void unlock(int fd);

    /** Password buffers the component has allocated in this process (needs LD_PRELOAD). */
    static native long allocatedBlocks();

    /** Of those, the ones not freed yet; -1 when the count cannot be trusted. */
    static native long outstandingBlocks();
}
