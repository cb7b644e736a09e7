# One interface target carries the compiler settings every Pulsim target shares.
add_library(pulsim_common_cfg INTERFACE)
target_compile_options(pulsim_common_cfg INTERFACE -Wall -Wextra)
target_compile_definitions(pulsim_common_cfg INTERFACE
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_USE_QSTRINGBUILDER
    QT_NO_KEYWORDS)
target_include_directories(pulsim_common_cfg INTERFACE ${PROJECT_SOURCE_DIR})

if(PULSIM_SANITIZE)
    target_compile_options(pulsim_common_cfg INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(pulsim_common_cfg INTERFACE -fsanitize=address,undefined)
endif()
if(PULSIM_TSAN)
    target_compile_options(pulsim_common_cfg INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(pulsim_common_cfg INTERFACE -fsanitize=thread)
endif()

# pulsim_add_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>] [TIMEOUT <s>])
# One test executable per test file, run offscreen with the locale fixed so
# results never depend on the machine the suite runs on.
function(pulsim_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE pulsim_common_cfg Qt6::Test ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${ARG_TIMEOUT}
        LABELS "${ARG_LABELS}"
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;LANG=C.UTF-8;TZ=UTC;QT_LOGGING_RULES=qt.qpa.*=false")
endfunction()
