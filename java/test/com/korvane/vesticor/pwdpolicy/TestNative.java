package com.korvane.vesticor.pwdpolicy;

/** Counters of password buffers, from libppcjavatest.so (preloaded: see AllocTracker.c). */
final class TestNative {
    static {
        System.loadLibrary("ppcjavatest");
    }

    private TestNative() {}

    /** Buffers AllocMem allocated and not freed yet. */
    static native long outstandingBlocks();

    /** Buffers freed before their bytes were wiped. */
    static native long unwipedBlocks();
}
