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

/**
 * This process's component log, as the test environment directs it (VC_LOG_FILE with "%p"
 * for the process id), read like testenv::LogEntries of the C++ tests.
 */
final class TestLog {
    // A line starts with its time stamp; a message may hold further newlines.
    private static final Pattern PREFIX = Pattern.compile(
            "(\\d+)-(\\d+)-(\\d+) (\\d\\d):(\\d\\d):(\\d\\d)\\[(DEBUG|INFO|WARN|ERROR)\\]"
                    + "\\[(-?\\d+) ([^:\\]]*):(\\d+)\\]");

    private TestLog() {}

    static Path path() {
        String pattern = System.getenv("VC_LOG_FILE");
        if (pattern == null) {
            return Paths.get("/usr/local/vesticor/log/vc-common.log");
        }
        return Paths.get(pattern.replace("%p", Long.toString(ProcessHandle.current().pid())));
    }

    static void clear() throws IOException {
        if (Files.exists(path())) {
            Files.write(path(), new byte[0]);
        }
    }

    /**
     * The log's lines, each reduced to "LEVEL|function|message" without the message's final
     * newline.
     */
    static List<String> entries() throws IOException {
        List<String> entries = new ArrayList<>();
        if (!Files.exists(path())) {
            return entries;
        }
        String log = new String(Files.readAllBytes(path()), StandardCharsets.ISO_8859_1);
        Matcher matcher = PREFIX.matcher(log);
        List<int[]> spans = new ArrayList<>();
        List<String> heads = new ArrayList<>();
        while (matcher.find()) {
            spans.add(new int[] {matcher.start(), matcher.end()});
            heads.add(matcher.group(7) + "|" + matcher.group(9) + "|");
        }
        for (int i = 0; i < spans.size(); ++i) {
            int end = i + 1 < spans.size() ? spans.get(i + 1)[0] : log.length();
            String message = log.substring(spans.get(i)[1], end);
            if (message.endsWith("\n")) {
                message = message.substring(0, message.length() - 1);
            }
            entries.add(heads.get(i) + message);
        }
        return entries;
    }

    /** The ERROR entries. */
    static List<String> errors() throws IOException {
        List<String> found = new ArrayList<>();
        for (String entry : entries()) {
            if (entry.startsWith("ERROR|")) {
                found.add(entry);
            }
        }
        return found;
    }

    /** The entries written by the binding's natives (function field "Java_..."). */
    static List<String> nativeEntries() throws IOException {
        List<String> found = new ArrayList<>();
        for (String entry : entries()) {
            if (entry.contains("|Java_com_korvane_vesticor_pwdpolicy_PwdPolicyAPI_")) {
                found.add(entry);
            }
        }
        return found;
    }
}
