package com.korvane.vesticor.pwdpolicy;

import java.util.Arrays;

/**
 * What {@link PwdPolicyAPI#PPCJudgePassword} found: the verdict of {@code PPCIsMatchPolicy}
 * and every reason that applies, as the stable {@code PPC_REASON_} codes of {@link
 * PwdPolicyAPI}. Filled only by a call that returns status 0. Not safe for concurrent use.
 */
public class PwdPolicyJudgement {
    /** The verdict that {@code PPCIsMatchPolicy} gives for the same arguments. */
    public int verdict;

    /** Every reason, the policy's first in the match check's order; empty when none. */
    public int[] reasons = new int[0];

    /** Whether the password passes every rule. */
    public boolean passes() {
        return reasons.length == 0;
    }

    @Override
    public String toString() {
        return "verdict " + verdict + ", reasons " + Arrays.toString(reasons);
    }
}
