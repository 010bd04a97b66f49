package com.korvane.vesticor.pwdpolicy;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.LinkOption;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.StandardCopyOption;

/**
 * Owns /usr/local/vesticor/conf/ppc.conf while open, with the protocol of the C++ tests'
 * testenv::ConfigFile, so that Java and C++ test processes running side by side take turns:
 * an exclusive flock on .ppc-test.lock, a backup of what was there (or an .absent mark),
 * and on close the file put back. A backup left by a process that died holding the lock
 * is restored first.
 */
final class ConfigFile implements AutoCloseable {
    static final Path DIR = Paths.get("/usr/local/vesticor/conf");
    static final Path PATH = DIR.resolve("ppc.conf");
    private static final Path LOCK = DIR.resolve(".ppc-test.lock");
    private static final Path BACKUP = DIR.resolve(".ppc-test.backup");
    private static final Path ABSENT = DIR.resolve(".ppc-test.absent");

    private int lockFd;

    ConfigFile() throws IOException {
        Files.createDirectories(DIR);
        lockFd = TestNative.lockExclusive(LOCK.toString());
        try {
            restoreBackup();
            if (Files.exists(PATH, LinkOption.NOFOLLOW_LINKS)) {
                Files.copy(PATH, BACKUP, StandardCopyOption.REPLACE_EXISTING,
                        LinkOption.NOFOLLOW_LINKS);
            } else {
                Files.write(ABSENT, new byte[] {'\n'});
            }
        } catch (IOException | RuntimeException e) {
            TestNative.unlock(lockFd);
            throw e;
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
        if (lockFd < 0) {
            return;
        }
        try {
            restoreBackup();
        } finally {
            TestNative.unlock(lockFd);
            lockFd = -1;
        }
    }

    private static void restoreBackup() throws IOException {
        if (Files.exists(BACKUP, LinkOption.NOFOLLOW_LINKS)) {
            Files.deleteIfExists(PATH);
            Files.move(BACKUP, PATH, StandardCopyOption.REPLACE_EXISTING);
        } else if (Files.exists(ABSENT)) {
            Files.deleteIfExists(PATH);
            Files.delete(ABSENT);
        }
    }
}
