package com.korvane.vesticor.pwdpolicy.example;

import com.korvane.vesticor.pwdpolicy.PwdPolicyAPI;
import com.korvane.vesticor.pwdpolicy.PwdPolicyResult;
import java.io.PrintStream;

/**
 * A small host of the PwdPolicy component: checks a password, generates one, or shows a
 * policy.
 *
 * <pre>
 * java -Djava.library.path=/usr/lib/x86_64-linux-gnu \
 *      -cp pwdpolicy.jar:pwdpolicy-example.jar \
 *      com.korvane.vesticor.pwdpolicy.example.PasswordTool check 'S3cret!pw' [POLICY]
 *                                                          generate [LENGTH [POLICY]]
 *                                                          policy [POLICY]
 * </pre>
 *
 * Exit status: 0 done (a password that fails the policy is an answer, not an error), 1 the
 * component returned an error, 2 bad usage.
 */
public final class PasswordTool {
    private static final String[] VERDICTS = {
        "matches", "too short", "too long", "too few character classes",
        "has a special character the policy does not allow",
    };

    private PasswordTool() {}

    public static void main(String[] args) {
        System.exit(run(args, System.out));
    }

    /** Runs one command, printing to {@code out}; returns the exit status. */
    public static int run(String[] args, PrintStream out) {
        if (args.length == 0) {
            return usage(out);
        }
        // The path argument is not read: the configuration is always
        // /usr/local/vesticor/conf/ppc.conf. No timer: a JVM host rarely wants SIGALRM.
        int status = PwdPolicyAPI.PPCInitialize("", 0, 1);
        if (status != PwdPolicyAPI.PPC_OK && status != PwdPolicyAPI.PPC_ERR_ALREADY_INITIALIZED) {
            out.println("cannot initialise the password policy component: code " + status);
            return 1;
        }
        try {
            switch (args[0]) {
                case "check":
                    return args.length >= 2 && args.length <= 3
                            ? check(args[1], policyArg(args, 2), out)
                            : usage(out);
                case "generate":
                    return args.length <= 3
                            ? generate(intArg(args, 1, 0), policyArg(args, 2), out)
                            : usage(out);
                case "policy":
                    return args.length <= 2 ? policy(policyArg(args, 1), out) : usage(out);
                default:
                    return usage(out);
            }
        } catch (NumberFormatException e) {
            return usage(out);
        } finally {
            PwdPolicyAPI.PPCFinalize();
        }
    }

    private static int check(String pwd, int policyId, PrintStream out) {
        PwdPolicyResult result = new PwdPolicyResult();
        int status = PwdPolicyAPI.PPCIsMatchPolicy(pwd, policyId, 1, result);
        if (status != PwdPolicyAPI.PPC_OK) {
            return failed("policy check", status, out);
        }
        out.println("policy " + policyId + ": " + VERDICTS[result.intVal]);
        status = PwdPolicyAPI.PPCIsWeakPwd(pwd, result);
        if (status != PwdPolicyAPI.PPC_OK) {
            return failed("weak check", status, out);
        }
        out.println("weak: " + (result.intVal == 1 ? "yes" : "no"));
        status = PwdPolicyAPI.PPCIsStrongPwd(pwd, result);
        if (status != PwdPolicyAPI.PPC_OK) {
            return failed("strong check", status, out);
        }
        out.println("strong: " + (result.intVal == 1 ? "yes" : "no"));
        return 0;
    }

    private static int generate(int length, int policyId, PrintStream out) {
        PwdPolicyResult result = new PwdPolicyResult();
        int status = PwdPolicyAPI.PPCGenSecPwdByPolicy(policyId, length, result);
        if (status != PwdPolicyAPI.PPC_OK) {
            return failed("generation", status, out);
        }
        out.println(result.text());
        result.wipe();
        return 0;
    }

    private static int policy(int policyId, PrintStream out) {
        PwdPolicyResult result = new PwdPolicyResult();
        int[] limits = new int[PwdPolicyAPI.POLICY_LIMIT_COUNT];
        int status = PwdPolicyAPI.PPCGetPolicy(policyId, limits, 0, result);
        if (status != PwdPolicyAPI.PPC_OK) {
            return failed("policy " + policyId, status, out);
        }
        out.println("policy " + policyId + ": length " + limits[0] + " to " + limits[1]
                + ", at least " + limits[2] + " character classes");
        out.println("special characters (" + result.intVal + " bytes): " + result.text());
        return 0;
    }

    private static int failed(String what, int status, PrintStream out) {
        out.println(what + " failed: code " + status);
        return 1;
    }

    private static int intArg(String[] args, int index, int fallback) {
        return args.length > index ? Integer.parseInt(args[index]) : fallback;
    }

    private static int policyArg(String[] args, int index) {
        return intArg(args, index, 0);
    }

    private static int usage(PrintStream out) {
        out.println("usage: PasswordTool check PASSWORD [POLICY]");
        out.println("       PasswordTool generate [LENGTH [POLICY]]");
        out.println("       PasswordTool policy [POLICY]");
        return 2;
    }
}
