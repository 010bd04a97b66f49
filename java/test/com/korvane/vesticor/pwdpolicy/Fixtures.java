package com.korvane.vesticor.pwdpolicy;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;

/**
 * The configuration the Java suites run against. Policy 0: 8 to 16 bytes, 3 classes,
 * specials "!#$%&* ". Policy 3: 6 to 12 bytes, 2 classes, specials "é-" (0xC3 0xA9 0x2D).
 * Policy 4: exactly 8 code points, no class rule, context checks, 3 changes from the old one.
 */
final class Fixtures {
    static final int ABSENT_POLICY = 42;
    static final String STRONG = "Xq7!mzP2";
    static final String WEAK_BUT_WELL_FORMED = "Welcome1!x";

    private Fixtures() {}

    /** This process's component log (VC_LOG_FILE, "%p" the process id) as one text. */
    static String log() throws IOException {
        String path = System.getenv("VC_LOG_FILE").replace("%p", Long.toString(ProcessHandle.current().pid()));
        return Files.readString(Path.of(path), StandardCharsets.ISO_8859_1);
    }

    /**
     * Writes the configuration, with or without policy 0 and naming a fresh dictionary file, at the
     * fixed path: only on the private tmpfs of tests/support/private-conf.sh (mountinfo: field 4 is
     * the mount point, the type and source follow " - "), which goes with the process.
     */
    static void writeConfiguration(boolean withDefaultPolicy) throws IOException {
        String dir = "/usr/local/vesticor/conf";
        if (Files.readAllLines(Path.of("/proc/self/mountinfo")).stream()
                .noneMatch(line -> line.split(" ")[4].equals(dir) && line.contains(" - tmpfs ppc-test-conf "))) {
            throw new IOException("refusing to write " + dir + "/ppc.conf outside a private mount namespace;"
                    + " run the test under tests/support/private-conf.sh (ctest does)");
        }
        Files.writeString(Path.of(dir, "ppc.conf"), configuration(withDefaultPolicy));
    }

    private static String configuration(boolean withDefaultPolicy) throws IOException {
        Path dictionary = Files.createTempFile("ppc-java-test", ".dic");
        dictionary.toFile().deleteOnExit();
        Files.write(dictionary, List.of("letmein", WEAK_BUT_WELL_FORMED, "pässwort")); // in UTF-8
        return "[BASIC]\nweakPwdDic=" + dictionary + "\n"
                + (withDefaultPolicy ? "[POLICY0]\nminlen=8\nmaxlen=16\nminclass=3\nallowminlen=6\n"
                        + "allowminclass=2\nspecialchar=!#$%&*space\n" : "")
                + "[POLICY3]\nminlen=6\nmaxlen=12\nminclass=2\nallowminlen=4\nallowminclass=1\n"
                + "specialchar=é-\n"
                + "[POLICY4]\nminlen=8\nmaxlen=8\nlengthUnit=codepoint\ncomposition=none\ncontextCheck=1\n"
                + "minOldDiff=3\n";
    }
}
