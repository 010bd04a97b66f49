package com.korvane.vesticor.pwdpolicy;

/**
 * Java entry points of the PwdPolicy component: judge passwords against numbered policies,
 * look them up in the weak-password dictionary, generate passwords, and report a policy's
 * limits. Every method is a native of libpwdpolicy.so that calls one {@code PPC_} function
 * of the component and returns its result code unchanged; loading this class loads the
 * library (see {@link NativeLibrary}).
 *
 * <h2>Status values</h2>
 *
 * <p>Every method returns an {@code int}:
 *
 * <ul>
 *   <li>{@link #PPC_OK} (0): the call succeeded and the result object, for the methods
 *       that take one, was filled;
 *   <li>{@link #STATUS_JNI_FAILURE} (1): a step of the Java binding failed and an exception
 *       is pending, so the caller sees that exception rather than the status: a {@link
 *       NoSuchFieldError} when the result object's class lacks {@code intVal} or {@code
 *       byteArr}, a {@link NullPointerException} for a null argument (below), an {@link
 *       OutOfMemoryError} when the Java heap cannot take a result;
 *   <li>any other value: the component's result code, passed through; the result object is
 *       not touched. A failed component call throws nothing in Java.
 * </ul>
 *
 * <h2>Result object</h2>
 *
 * <p>Methods that return more than a status take a result object: {@link PwdPolicyResult},
 * or an object of any class with the instance fields {@code int intVal} and {@code byte[]
 * byteArr} (the fields are looked up on the object's class at every call). The check
 * methods need only {@code intVal}.
 *
 * <h2>Null arguments</h2>
 *
 * <p>No reference argument may be null. A null password, configuration-file string or
 * {@code lenArray} throws {@link NullPointerException} before the component is called. A
 * null result object throws {@link NullPointerException} when there is something to write
 * into it, that is after the component call succeeded (a generated password is then
 * discarded and its memory released); when the component call fails its code is returned
 * and nothing is thrown. The binding writes an ERROR line to the component's log in every
 * case where it throws.
 *
 * <h2>Text</h2>
 *
 * <p>Strings go to the component as the modified UTF-8 bytes of the JVM, with no other
 * conversion; lengths are counted in those bytes. Each non-ASCII character is 2 or 3 bytes,
 * each of them of the special class; a character outside the Basic Multilingual Plane is 6
 * bytes (two surrogates of 3); U+0000 is the two bytes 0xC0 0x80 and does not end the
 * password. Text comes back in {@code byteArr} as the component's raw bytes.
 *
 * <h2>Threads</h2>
 *
 * <p>Every method may be called from any thread at any time; the natives keep no state and
 * take no lock. Give each thread its own result object. The component's state is
 * process-wide: one initialisation serves every class loader and thread of the JVM.
 *
 * <h2>Initialisation</h2>
 *
 * <p>{@link #PPCInitialize} loads the configuration from {@code
 * /usr/local/vesticor/conf/ppc.conf}. The checks and generation initialise the component
 * on demand when it is not; {@link #PPCGetPolicy} never does. With {@code timerStartInd} 1
 * the component installs a SIGALRM handler and arms the process's real-time interval timer
 * to reload changed files; in a JVM prefer 0 (see docs/java.md).
 */
public final class PwdPolicyAPI {
    /** Success. */
    public static final int PPC_OK = 0;
    /** The binding itself failed; an exception is pending in the caller. */
    public static final int STATUS_JNI_FAILURE = 1;
    /** The password buffer could not be allocated, or the requested length was refused. */
    public static final int PPC_ERR_ALLOC = 51;
    /** {@link #PPCFinalize}: the component is not initialised. */
    public static final int PPC_ERR_NOT_INITIALIZED = 1001;
    /** {@link #PPCInitialize}: the component is already initialised; nothing was done. */
    public static final int PPC_ERR_ALREADY_INITIALIZED = 1002;
    /** An argument is out of range (an indicator other than 0 or 1). */
    public static final int PPC_ERR_BAD_ARGUMENT = 1006;
    /** {@link #PPCInitialize}: the reload timer could not be armed. */
    public static final int PPC_ERR_TIMER = 3002;
    /** {@link #PPCInitialize}: the file monitor could not be set up. */
    public static final int PPC_ERR_FILE_MONITOR = 3003;
    /** {@link #PPCInitialize}: the configuration or the dictionary could not be loaded. */
    public static final int PPC_ERR_DATA_LOAD = 3004;
    /** The component holds no policy under the requested id. */
    public static final int PPC_ERR_NO_POLICY = 3005;

    /** Verdict of {@link #PPCIsMatchPolicy}: the password matches the policy. */
    public static final int PPC_MATCH = 0;
    /** Verdict: shorter than the policy's minlen (in bytes). */
    public static final int PPC_TOO_SHORT = 1;
    /** Verdict: longer than the policy's maxlen (in bytes). */
    public static final int PPC_TOO_LONG = 2;
    /** Verdict: fewer character classes than the policy's minclass. */
    public static final int PPC_TOO_FEW_CLASSES = 3;
    /** Verdict: a special character outside the policy's set (with the check switched on). */
    public static final int PPC_BAD_SPECIAL_CHAR = 4;

    /** Verdict: not valid UTF-8, for a policy that counts code points or normalises. */
    public static final int PPC_INVALID_UTF8 = 5;

    /** Reasons of {@link #PPCJudgePassword}: the numbers of the C header, never renumbered. */
    public static final int PPC_REASON_TOO_SHORT = 1;
    public static final int PPC_REASON_TOO_LONG = 2;
    public static final int PPC_REASON_TOO_FEW_CLASSES = 3;
    public static final int PPC_REASON_BAD_SPECIAL_CHAR = 4;
    public static final int PPC_REASON_INVALID_UTF8 = 5;
    public static final int PPC_REASON_REPEATED_CHARS = 6;
    public static final int PPC_REASON_SEQUENTIAL_CHARS = 7;
    public static final int PPC_REASON_WEAK = 8;
    public static final int PPC_REASON_BREACHED = 9;
    public static final int PPC_REASON_EQUALS_CONTEXT = 10;
    public static final int PPC_REASON_CONTAINS_CONTEXT = 11;
    public static final int PPC_REASON_EQUALS_OLD = 12;
    public static final int PPC_REASON_TOO_CLOSE_TO_OLD = 13;

    /** Room for every reason at once (the C header's PPC_MAX_REASONS). */
    private static final int MAX_REASONS = 16;

    /** Number of limits {@link #PPCGetPolicy} writes into its {@code lenArray}. */
    public static final int POLICY_LIMIT_COUNT = 5;

    static {
        NativeLibrary.load();
    }

    private PwdPolicyAPI() {}

    /**
     * Judges the password with every rule of policy {@code policyId} and its context, as
     * {@code PPC_JudgePassword} does (libpwdpolicy(3)): the policy's limits, the dictionary,
     * the breach table and, as far as the policy asks, the user's names, further context
     * words and the old password. Unlike the other methods, every string goes to the
     * component as standard UTF-8 (a character outside the Basic Multilingual Plane is one
     * code point), so a policy that counts code points counts Java's characters correctly.
     *
     * @param pwd the password; must not be null
     * @param policyId the policy's id
     * @param specialCharCheckInd 1 to refuse special characters outside the policy's set
     * @param userName the login name, or null
     * @param fullName the full name (such as the GECOS field), or null
     * @param contextWords further context words such as the service's name, or null
     * @param oldPassword the password being replaced, or null
     * @param judgement receives the verdict and the reasons on status 0; must not be null
     * @return {@link #PPC_OK}; {@link #PPC_ERR_BAD_ARGUMENT} for an indicator other than 0
     *     or 1, or a string holding U+0000; {@link #PPC_ERR_NO_POLICY}; {@link #PPC_ERR_ALLOC}
     * @throws NullPointerException when {@code pwd} or {@code judgement} is null
     */
    public static int PPCJudgePassword(String pwd, int policyId, int specialCharCheckInd, String userName,
            String fullName, String[] contextWords, String oldPassword, PwdPolicyJudgement judgement) {
        java.util.Objects.requireNonNull(pwd, "pwd");
        java.util.Objects.requireNonNull(judgement, "judgement");
        String[] words = contextWords == null ? new String[0] : contextWords;
        byte[][] wordBytes = new byte[words.length][];
        for (int i = 0; i < words.length; ++i) {
            wordBytes[i] = utf8(words[i]);
        }
        int[] found = new int[2 + MAX_REASONS];
        byte[] pwdBytes = utf8(pwd);
        byte[] oldBytes = utf8(oldPassword);
        try {
            int status = judge(pwdBytes, policyId, specialCharCheckInd, utf8(userName), utf8(fullName), wordBytes,
                    oldBytes, found);
            if (status == PPC_OK) {
                judgement.verdict = found[0];
                judgement.reasons = java.util.Arrays.copyOfRange(found, 2, 2 + found[1]);
            }
            return status;
        } finally {
            java.util.Arrays.fill(pwdBytes, (byte) 0);
            if (oldBytes != null) {
                java.util.Arrays.fill(oldBytes, (byte) 0);
            }
        }
    }

    private static byte[] utf8(String text) {
        return text == null ? null : text.getBytes(java.nio.charset.StandardCharsets.UTF_8);
    }

    /**
     * PPC_JudgePassword on UTF-8 bytes (null: absent); found receives the verdict, the number
     * of reasons and the reasons. Returns the component's code.
     */
    private static native int judge(byte[] pwd, int policyId, int specialCharCheckInd, byte[] userName,
            byte[] fullName, byte[][] contextWords, byte[] oldPassword, int[] found);

    /**
     * Initialises the component: loads the policies from {@code
     * /usr/local/vesticor/conf/ppc.conf} and, with {@code weakPwdUseInd} 1, the weak-password
     * dictionary the configuration names. With {@code timerStartInd} 1 it also watches both
     * files and reloads them when they change, from a SIGALRM timer that the component owns
     * for the whole process. Nothing is logged by the binding about the result.
     *
     * @param jconfFile accepted and not read (the path is fixed); must not be null
     * @param timerStartInd 1 to watch and reload the files, 0 not to
     * @param weakPwdUseInd 1 to load the weak-password dictionary, 0 not to
     * @return {@link #PPC_OK}, {@link #PPC_ERR_ALREADY_INITIALIZED}, {@link
     *     #PPC_ERR_BAD_ARGUMENT} (an indicator other than 0 or 1), {@link #PPC_ERR_DATA_LOAD},
     *     {@link #PPC_ERR_FILE_MONITOR}, {@link #PPC_ERR_TIMER}, or {@link
     *     #STATUS_JNI_FAILURE} with an exception pending
     * @throws NullPointerException when {@code jconfFile} is null (the component is not
     *     initialised)
     */
    public static native int PPCInitialize(String jconfFile, int timerStartInd, int weakPwdUseInd);

    /**
     * Finalises the component: stops watching the files. The loaded policies and dictionary
     * stay in force, and later checks initialise the component again on demand.
     *
     * @return {@link #PPC_OK} or {@link #PPC_ERR_NOT_INITIALIZED}
     */
    public static native int PPCFinalize();

    /**
     * Looks the password up in the weak-password dictionary, leading and trailing blanks
     * ignored. On status 0, {@code result.intVal} is 1 when it is weak, else 0. Initialises
     * the component (with the dictionary) when needed.
     *
     * @param jpwd the password; must not be null
     * @param result receives {@code intVal}; must not be null
     * @return {@link #PPC_OK}, another component code, or {@link #STATUS_JNI_FAILURE} with
     *     an exception pending
     * @throws NullPointerException when {@code jpwd} is null, or {@code result} is null and
     *     the check succeeded
     * @throws NoSuchFieldError when the class of {@code result} has no {@code int intVal}
     */
    public static native int PPCIsWeakPwd(String jpwd, Object result);

    /**
     * Tells whether the password is strong: long enough and of enough character classes for
     * the default policy, 0 (its maximum length is not applied), and not weak. On status 0,
     * {@code result.intVal} is 1 when strong, else 0. Initialises the component when
     * needed.
     *
     * @param jpwd the password; must not be null
     * @param result receives {@code intVal}; must not be null
     * @return {@link #PPC_OK}, {@link #PPC_ERR_NO_POLICY} when there is no policy 0, another
     *     component code, or {@link #STATUS_JNI_FAILURE} with an exception pending
     * @throws NullPointerException when {@code jpwd} is null, or {@code result} is null and
     *     the check succeeded
     * @throws NoSuchFieldError when the class of {@code result} has no {@code int intVal}
     */
    public static native int PPCIsStrongPwd(String jpwd, Object result);

    /**
     * Judges the password against a policy. On status 0, {@code result.intVal} holds the
     * verdict: {@link #PPC_MATCH}, {@link #PPC_TOO_SHORT}, {@link #PPC_TOO_LONG}, {@link
     * #PPC_TOO_FEW_CLASSES} or {@link #PPC_BAD_SPECIAL_CHAR}. Lengths are counted in
     * modified UTF-8 bytes. Initialises the component when needed.
     *
     * @param jpwd the password; must not be null
     * @param policyId the policy's id; 0 is the default policy
     * @param specialCharCheckInd 1: every byte that is not an ASCII letter or digit must be
     *     in the policy's special-character set; 0: any such byte counts as special
     * @param result receives {@code intVal}; must not be null
     * @return {@link #PPC_OK}, {@link #PPC_ERR_BAD_ARGUMENT} (indicator other than 0 or 1),
     *     {@link #PPC_ERR_NO_POLICY}, or {@link #STATUS_JNI_FAILURE} with an exception
     *     pending
     * @throws NullPointerException when {@code jpwd} is null, or {@code result} is null and
     *     the check succeeded
     * @throws NoSuchFieldError when the class of {@code result} has no {@code int intVal}
     */
    public static native int PPCIsMatchPolicy(
            String jpwd, int policyId, int specialCharCheckInd, Object result);

    /**
     * Generates a random password for a policy, with at least one lower-case letter, one
     * upper-case letter, one digit and (when the policy has any) one of its special
     * characters. On status 0, {@code result.byteArr} holds the password's bytes and {@code
     * result.intVal} their number; the native's own copy is wiped and freed. The generator
     * draws from the C library's {@code rand()}: it is not a cryptographic generator, and one
     * password reveals the others of the process; prefer {@link #PPCGenCryptoPwdByPolicy}
     * unless you need its reproducible sequence.
     * Initialises the component (without the dictionary) when needed.
     *
     * @param policyId the policy's id
     * @param pwdLen requested length in bytes; below 6 (0 and negative values included) the
     *     policy's minlen is used. The policy's maxlen is not applied.
     * @param result receives {@code byteArr} and {@code intVal}; must not be null
     * @return {@link #PPC_OK}, {@link #PPC_ERR_NO_POLICY}, {@link #PPC_ERR_ALLOC}, or {@link
     *     #STATUS_JNI_FAILURE} with an exception pending
     * @throws NullPointerException when {@code result} is null and a password was generated
     * @throws NoSuchFieldError when the class of {@code result} lacks {@code byte[] byteArr}
     *     (nothing is set) or {@code int intVal} ({@code byteArr} is already set)
     * @throws OutOfMemoryError when the Java heap cannot hold the password; {@code result} is
     *     not touched
     */
    public static native int PPCGenSecPwdByPolicy(int policyId, int pwdLen, Object result);

    /**
     * {@link #PPCGenSecPwdByPolicy} for the default policy, 0.
     *
     * @param pwdLen requested length in bytes; below 6 the default policy's minlen is used
     * @param result receives {@code byteArr} and {@code intVal}; must not be null
     * @return {@link #PPC_OK}, {@link #PPC_ERR_NO_POLICY}, {@link #PPC_ERR_ALLOC}, or {@link
     *     #STATUS_JNI_FAILURE} with an exception pending
     * @throws NullPointerException when {@code result} is null and a password was generated
     * @throws NoSuchFieldError when the class of {@code result} lacks {@code byte[] byteArr}
     *     or {@code int intVal}
     * @throws OutOfMemoryError when the Java heap cannot hold the password
     */
    public static native int PPCGenDefaultSecPwd(int pwdLen, Object result);

    /**
     * Generates a password for a policy that cannot be predicted: use it for passwords that
     * people or accounts will hold. Same arguments, length rules, status values and result
     * object as {@link #PPCGenSecPwdByPolicy}, but every character and its position are
     * drawn from the kernel's random generator without bias, and the C library's {@code
     * rand()} is never read. At least one lower-case letter, upper-case letter and digit, and
     * one special character when the policy's set has a byte other than an ASCII letter or
     * digit. Initialises the component (without the dictionary) when needed.
     *
     * @param policyId the policy's id
     * @param pwdLen requested length in bytes; below 6 (0 and negative values included) the
     *     policy's minlen is used. The policy's maxlen is not applied.
     * @param result receives {@code byteArr} and {@code intVal}; must not be null
     * @return {@link #PPC_OK}, {@link #PPC_ERR_NO_POLICY}, {@link #PPC_ERR_ALLOC} (also when
     *     the kernel refused random bytes), or {@link #STATUS_JNI_FAILURE} with an exception
     *     pending
     * @throws NullPointerException when {@code result} is null and a password was generated
     * @throws NoSuchFieldError when the class of {@code result} lacks {@code byte[] byteArr}
     *     or {@code int intVal}
     * @throws OutOfMemoryError when the Java heap cannot hold the password
     */
    public static native int PPCGenCryptoPwdByPolicy(int policyId, int pwdLen, Object result);

    /**
     * Reports a policy. When {@code lenArray} has exactly {@link #POLICY_LIMIT_COUNT}
     * elements they receive minlen, maxlen, minclass, allowminlen and allowminclass in that
     * order; an array of any other length is left unchanged. On status 0, {@code
     * result.byteArr} holds the policy's special characters and {@code result.intVal} their
     * number of bytes. For a policy the component does not hold, the status is {@link
     * #PPC_ERR_NO_POLICY}, a five-element array receives the fallback limits 8, 15 (id 0) or
     * 32, 3, 6, 2, and {@code result} is not touched. Never initialises the component: before
     * initialisation every id is absent.
     *
     * @param policyId the policy's id
     * @param jlenArray receives the limits; must not be null
     * @param reserved not read; pass 0
     * @param result receives {@code byteArr} and {@code intVal}; must not be null
     * @return {@link #PPC_OK}, {@link #PPC_ERR_NO_POLICY}, or {@link #STATUS_JNI_FAILURE}
     *     with an exception pending
     * @throws NullPointerException when {@code jlenArray} is null (nothing is reported), or
     *     {@code result} is null and the policy exists ({@code jlenArray} is still filled)
     * @throws NoSuchFieldError when the class of {@code result} lacks {@code byte[] byteArr}
     *     or {@code int intVal} ({@code jlenArray} is still filled)
     */
    public static native int PPCGetPolicy(int policyId, int[] jlenArray, int reserved, Object result);
}
