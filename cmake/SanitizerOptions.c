// Default runtime options of the sanitizer builds, linked into every target
// of such a build. The ASAN_OPTIONS, UBSAN_OPTIONS and TSAN_OPTIONS
// environment variables still override them.

// The first report ends the process with a failing status.
const char* __asan_default_options(void) {
    return "abort_on_error=1:detect_stack_use_after_return=1:strict_string_checks=1";
}

const char* __ubsan_default_options(void) { return "print_stacktrace=1:halt_on_error=1"; }

// Signal-unsafe calls are reported too: the SIGALRM handler must only mark
// a tick due.
const char* __tsan_default_options(void) { return "halt_on_error=1:second_deadlock_stack=1"; }
