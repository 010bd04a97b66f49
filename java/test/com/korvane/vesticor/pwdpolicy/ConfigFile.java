package com.korvane.vesticor.pwdpolicy;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;

/**
 * The component's configuration file, written like testenv::ConfigFile only on the private
 * tmpfs of tests/support/private-conf.sh, which goes with the process: nothing to restore.
 */
final class ConfigFile {
    private static final String DIR = "/usr/local/vesticor/conf";
    private static final Path PATH = Paths.get(DIR, "ppc.conf");

    private ConfigFile() {}

    static void write(String text) throws IOException {
        // mountinfo: field 4 is the mount point; after " - " come the type and the source.
        boolean isPrivate = Files.readAllLines(Paths.get("/proc/self/mountinfo")).stream()
                .anyMatch(line -> line.split(" ")[4].equals(DIR) && line.contains(" - tmpfs ppc-test-conf "));
        if (!isPrivate) {
            throw new IOException("refusing to write " + PATH + " outside a private mount"
                    + " namespace; run the test under tests/support/private-conf.sh (ctest does)");
        }
        Files.write(PATH, text.getBytes(StandardCharsets.UTF_8));
    }
}
