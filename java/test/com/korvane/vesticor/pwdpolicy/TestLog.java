package com.korvane.vesticor.pwdpolicy;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.List;
import java.util.regex.Matcher;
import java.util.regex.Pattern;

/** This process's component log (VC_LOG_FILE, "%p" the process id), read like testenv::LogEntries. */
final class TestLog {
    private static final Pattern PREFIX = Pattern.compile(
            "\\d+-\\d+-\\d+ \\d\\d:\\d\\d:\\d\\d\\[(DEBUG|INFO|WARN|ERROR)\\]\\[-?\\d+ ([^:\\]]*):\\d+\\]");
    private static final Path PATH = Paths.get(System.getenv("VC_LOG_FILE")
            .replace("%p", Long.toString(ProcessHandle.current().pid())));

    private TestLog() {}

    static void clear() throws IOException {
        Files.write(PATH, new byte[0]);
    }

    /** The entries that start with `prefix`, as "LEVEL|function|message" (its first line). */
    static List<String> entries(String prefix) throws IOException {
        List<String> found = new ArrayList<>();
        for (String line : Files.readAllLines(PATH, StandardCharsets.ISO_8859_1)) {
            Matcher head = PREFIX.matcher(line);
            if (head.lookingAt()) {
                String entry = head.group(1) + "|" + head.group(2) + "|" + line.substring(head.end());
                if (entry.startsWith(prefix)) {
                    found.add(entry);
                }
            }
        }
        return found;
    }
}
