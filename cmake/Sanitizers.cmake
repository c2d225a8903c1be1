# AddressSanitizer and UndefinedBehaviorSanitizer for every target (`make sanitize`
# builds into build-asan/). Undefined behaviour stops the program: a test that merely
# printed a report would still pass.
set(vorlap_sanitizer_flags -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
add_compile_options(${vorlap_sanitizer_flags})
add_link_options(-fsanitize=address,undefined)

# The tests start our programs (vorlap, hdiutil) as children; they inherit these.
set(vorlap_suppressions ${CMAKE_SOURCE_DIR}/cmake/sanitizer-suppressions)
list(APPEND VORLAP_TEST_ENVIRONMENT
  "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1:check_initialization_order=1"
  "LSAN_OPTIONS=suppressions=${vorlap_suppressions}/lsan.supp:print_suppressions=0"
  "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:suppressions=${vorlap_suppressions}/ubsan.supp")
