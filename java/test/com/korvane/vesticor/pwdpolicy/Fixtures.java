package com.korvane.vesticor.pwdpolicy;

import static org.junit.jupiter.api.Assertions.assertEquals;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;

/**
 * The configuration and dictionary the Java suites run against.
 *
 * <p>Policy 0: 8 to 16 bytes, 3 classes, specials "!#$%&* ". Policy 3: 6 to 12 bytes, 2
 * classes, specials "é-", that is the bytes 0xC3 0xA9 0x2D.
 */
final class Fixtures {
    static final String POLICY0_SPECIALS = "!#$%&* ";
    static final byte[] POLICY3_SPECIALS = {(byte) 0xC3, (byte) 0xA9, '-'};
    static final int ABSENT_POLICY = 42;
    static final String STRONG = "Xq7!mzP2";
    static final String WEAK_BUT_WELL_FORMED = "Welcome1!x";

    private static Path dictionary;

    private Fixtures() {}

    static synchronized Path dictionary() throws IOException {
        if (dictionary == null) {
            Path dir = Files.createTempDirectory("ppc-java-test");
            dictionary = dir.resolve("weak.dic");
            Files.write(dictionary, String.join("\n", "password", "letmein",
                    WEAK_BUT_WELL_FORMED, "pässwort", "").getBytes(StandardCharsets.UTF_8));
            dictionary.toFile().deleteOnExit();
            dir.toFile().deleteOnExit();
        }
        return dictionary;
    }

    static String configuration(boolean withDefaultPolicy) throws IOException {
        StringBuilder text = new StringBuilder();
        text.append("[BASIC]\nweakPwdDic=").append(dictionary()).append('\n');
        if (withDefaultPolicy) {
            text.append("[POLICY0]\nminlen=8\nmaxlen=16\nminclass=3\nallowminlen=6\n"
                    + "allowminclass=2\nspecialchar=!#$%&*space\n");
        }
        text.append("[POLICY3]\nminlen=6\nmaxlen=12\nminclass=2\nallowminlen=4\n"
                + "allowminclass=1\nspecialchar=é-\n");
        return text.toString();
    }

    /** Initialises the component from the standard configuration, dictionary included. */
    static void initialise() throws IOException {
        try (ConfigFile config = new ConfigFile()) {
            config.write(configuration(true));
            assertEquals(PwdPolicyAPI.PPC_OK, PwdPolicyAPI.PPCInitialize("", 0, 1));
        }
    }
}
