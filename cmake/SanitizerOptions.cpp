// Default options of the sanitizer runtimes, linked into every program of a
// VORLAP_SANITIZE build (cmake/Sanitizers.cmake). The runtimes look these up by name.

extern "C" {

// Leak checking stays on: the whole suite passes with it.
const char* __asan_default_options() { return "detect_leaks=1:strict_string_checks=1:check_initialization_order=1"; }

const char* __lsan_default_options()
{
    return "print_suppressions=0:suppressions=" VORLAP_SANITIZER_SUPPRESSIONS "/lsan.supp";
}

const char* __ubsan_default_options()
{
    return "print_stacktrace=1:halt_on_error=1:suppressions=" VORLAP_SANITIZER_SUPPRESSIONS "/ubsan.supp";
}

} // extern "C"
