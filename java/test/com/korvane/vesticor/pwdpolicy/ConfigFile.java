package com.korvane.vesticor.pwdpolicy;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.List;

/**
 * The component's fixed configuration path, /usr/local/vesticor/conf/ppc.conf, as
 * testenv::ConfigFile gives it to the C++ tests: only inside the private mount namespace of
 * tests/support/private-conf.sh (the tmpfs named ppc-test-conf over the folder). Anywhere else
 * the constructor throws, so that a test run by hand cannot damage the machine's real file.
 */
final class ConfigFile implements AutoCloseable {
    static final Path DIR = Paths.get("/usr/local/vesticor/conf");
    static final Path PATH = DIR.resolve("ppc.conf");

    ConfigFile() throws IOException {
        if (!folderIsPrivate()) {
            throw new IOException("refusing to write " + PATH + ": not in a private mount"
                    + " namespace; run the test under tests/support/private-conf.sh (ctest does)");
        }
    }

    /** Replaces the configuration file's content, in place. */
    void write(String text) throws IOException {
        Files.write(PATH, text.getBytes(StandardCharsets.UTF_8));
    }

    void remove() throws IOException {
        Files.deleteIfExists(PATH);
    }

    @Override
    public void close() throws IOException {
        remove();
    }

    private static boolean folderIsPrivate() throws IOException {
        Path own = Files.readSymbolicLink(Paths.get("/proc/self/ns/mnt"));
        try {
            if (own.equals(Files.readSymbolicLink(Paths.get("/proc/1/ns/mnt")))) {
                return false;
            }
        } catch (IOException unreadable) {
            // Not root: the mount table alone decides.
        }
        boolean found = false;
        List<String> lines = Files.readAllLines(Paths.get("/proc/self/mountinfo"));
        for (String line : lines) {
            String[] fields = line.split(" ");
            int dash = List.of(fields).indexOf("-");
            if (fields.length > 4 && dash > 0 && dash + 2 < fields.length
                    && fields[4].equals(DIR.toString())) {
                found = fields[dash + 1].equals("tmpfs") && fields[dash + 2].equals("ppc-test-conf");
            }
        }
        return found;
    }
}
