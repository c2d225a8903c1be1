# AddressSanitizer and UndefinedBehaviorSanitizer for every target (`make sanitize`
# builds into build-asan/). Undefined behaviour stops the program: a test that merely
# printed a report would still pass.
set(vorlap_sanitizer_flags -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
add_compile_options(${vorlap_sanitizer_flags})
add_link_options(-fsanitize=address,undefined)

# The options are compiled into every program rather than passed in the environment:
# the tests start our programs (vorlap, hdiutil) as children, and a program run by hand
# behaves the same. ASAN_OPTIONS and friends in the environment still override them.
add_library(vorlap_sanitizer_options OBJECT ${CMAKE_CURRENT_LIST_DIR}/SanitizerOptions.cpp)
target_compile_definitions(vorlap_sanitizer_options PRIVATE
  VORLAP_SANITIZER_SUPPRESSIONS="${CMAKE_CURRENT_LIST_DIR}/sanitizer-suppressions")
link_libraries($<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:vorlap_sanitizer_options>)
