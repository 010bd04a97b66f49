package com.korvane.vesticor.pwdpolicy;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.korvane.vesticor.pwdpolicy.example.PasswordTool;
import java.io.ByteArrayOutputStream;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import org.junit.jupiter.api.AfterAll;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;

/** The example host, run against the test configuration. */
class ExampleHostTest {
    private static ConfigFile config;

    @BeforeAll
    static void writeConfiguration() throws Exception {
        config = new ConfigFile();
        config.write(Fixtures.configuration(true));
    }

    @AfterAll
    static void restoreConfiguration() throws Exception {
        config.close();
    }

    private static String run(int expectedStatus, String... args) {
        ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        PrintStream out = new PrintStream(bytes, true, StandardCharsets.UTF_8);
        assertEquals(expectedStatus, PasswordTool.run(args, out), String.join(" ", args));
        return bytes.toString(StandardCharsets.UTF_8);
    }

    @Test
    void checkReportsVerdictWeakAndStrong() {
        assertEquals("policy 0: matches\nweak: no\nstrong: yes\n", run(0, "check", Fixtures.STRONG));
        assertEquals("policy 0: matches\nweak: yes\nstrong: no\n",
                run(0, "check", Fixtures.WEAK_BUT_WELL_FORMED));
        assertEquals("policy 3: too short\nweak: no\nstrong: no\n", run(0, "check", "ab1", "3"));
        assertEquals("policy check failed: code 3005\n", run(1, "check", "ab1", "42"));
    }

    @Test
    void generateAndPolicyPrintWhatTheComponentReturns() {
        // Only the line end comes off: a password may begin or end with a blank.
        String line = run(0, "generate", "14");
        assertTrue(line.endsWith("\n"), line);
        String pwd = line.substring(0, line.length() - 1);
        assertEquals(14, pwd.length(), pwd);
        assertTrue(run(0, "check", pwd).startsWith("policy 0: matches\n"), pwd);
        assertEquals("policy 3: length 6 to 12, at least 2 character classes\n"
                        + "special characters (3 bytes): é-\n",
                run(0, "policy", "3"));
        assertTrue(run(2, "frobnicate").startsWith("usage:"));
    }
}
