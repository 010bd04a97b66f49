package com.korvane.vesticor.pwdpolicy;

/**
 * Loads the native component, libpwdpolicy.so, which also holds the natives of {@link
 * PwdPolicyAPI}. {@link PwdPolicyAPI} calls it from its static initialiser; a host calls
 * it itself only to load the library early and handle a failure in one place.
 *
 * <p>By default the library is found by {@code System.loadLibrary("pwdpolicy")}, that is
 * as {@code libpwdpolicy.so} in one of the directories of the system property {@code
 * java.library.path} (set it with {@code -Djava.library.path=DIR}; by default it holds the
 * directories of {@code LD_LIBRARY_PATH} and the system library directories). {@code
 * libpwdpolicy.so} is the development symlink to {@code libpwdpolicy.so.1}; where only the
 * versioned file is installed, name it in full with the system property {@value
 * #PATH_PROPERTY}, which is passed to {@code System.load} instead. The library's own
 * dependencies (libvc-common.so.1, libvc-tidesafe.so.1) are found by the system's dynamic
 * linker, not through {@code java.library.path}.
 */
public final class NativeLibrary {
    /** System property naming the library file by absolute path, overriding the search. */
    public static final String PATH_PROPERTY = "com.korvane.vesticor.pwdpolicy.library";

    /** Name given to {@code System.loadLibrary}. */
    public static final String LIBRARY_NAME = "pwdpolicy";

    private static boolean loaded;

    private NativeLibrary() {}

    /**
     * Loads the library once per class loader; later calls do nothing.
     *
     * @throws UnsatisfiedLinkError when the library or one of its dependencies cannot be
     *     found or loaded; the message names what was searched
     */
    public static synchronized void load() {
        if (loaded) {
            return;
        }
        String path = System.getProperty(PATH_PROPERTY);
        try {
            if (path != null && !path.isEmpty()) {
                System.load(path);
            } else {
                System.loadLibrary(LIBRARY_NAME);
            }
        } catch (UnsatisfiedLinkError e) {
            String where = path != null && !path.isEmpty()
                    ? path
                    : "lib" + LIBRARY_NAME + ".so in java.library.path="
                            + System.getProperty("java.library.path");
            UnsatisfiedLinkError detailed =
                    new UnsatisfiedLinkError("cannot load PwdPolicy native library " + where
                            + ": " + e.getMessage());
            detailed.initCause(e);
            throw detailed;
        }
        loaded = true;
    }
}
