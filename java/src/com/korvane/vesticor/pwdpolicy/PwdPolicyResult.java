package com.korvane.vesticor.pwdpolicy;

import java.nio.charset.StandardCharsets;
import java.util.Arrays;

/**
 * The result object that the natives of {@link PwdPolicyAPI} fill. The natives find the
 * fields by name and type on the object's own class, so any class declaring the instance
 * fields {@code int intVal} and {@code byte[] byteArr} can be used instead.
 *
 * <p>Only a call that returns status 0 writes to the object; a call that fails leaves it
 * as it was. An object is not safe for concurrent use by several threads: give each
 * thread its own.
 */
public class PwdPolicyResult {
    /**
     * The answer of a check ({@code PPCIsWeakPwd}: 1 weak, 0 not; {@code PPCIsStrongPwd}: 1
     * strong, 0 not; {@code PPCIsMatchPolicy}: the verdict), or, after a call that fills
     * {@link #byteArr}, the number of bytes in it.
     */
    public int intVal;

    /**
     * A generated password, or a policy's special characters: the component's bytes as they
     * are, without a terminating NUL and without any character-set conversion.
     */
    public byte[] byteArr;

    /**
     * Decodes {@link #byteArr} as UTF-8. Passwords the component generates are ASCII; a
     * policy's special characters are whatever bytes its configuration file holds.
     *
     * @return the text, or null when {@link #byteArr} has not been set
     */
    public String text() {
        return byteArr == null ? null : new String(byteArr, StandardCharsets.UTF_8);
    }

    /**
     * Overwrites {@link #byteArr} with zeros and sets {@link #intVal} to 0. Call it once a
     * generated password has been handed on, so the password does not linger on the heap.
     */
    public void wipe() {
        if (byteArr != null) {
            Arrays.fill(byteArr, (byte) 0);
        }
        intVal = 0;
    }
}
