# kelmora_add_character(<file name>
#     ART_DIR <folder of .art sources>      frameN.bmp, cursor.cur, icon.ico, small.ico
#     [NAME <display name>] [BASE_PERIOD <ms>] [STEP <pixels>]
#     [COUNTS <c0> ... <c5>] [PERIODS <p0> ... <p5>]
#     [CONFIG <raw configuration string>]   instead of the five above
#     [NO_CONFIG]                           export no configuration at all
#     [PROMPT <text>]                       without it: no prompt export
#     [FRAMES <n>]                          frame bitmaps 0 .. n-1 (default: sum of COUNTS)
#     [SKIP_FRAMES <i> ...]                 leave these frame bitmaps out
#     [NO_CURSOR] [NO_ICONS]
#     [SOURCES <file> ...]                  own definitions of CRes members
#     [OUTPUT_DIR <folder>])                default: the dist's imagedlls
#
# Builds <file name>.dll, a character plug-in. Frame bitmap i is the art's
# frame<i>.bmp; the cursor is cursor.cur, the tray icon icon.ico and the
# search box's icon small.ico. Their resource ids, and the base period and
# step a character leaves out, are those of KelmoraCharacter.h. Texts are
# UTF-8 here and GBK in the DLL.
include_guard(GLOBAL)

# The contract's single numbers (KELMORA_FRAME_FIRST, ...) from the header.
function(_kelmora_contract header)
    file(STRINGS ${header} defines REGEX "^#define KELMORA_[A-Z_]+ [0-9]+( |$)")
    foreach(line IN LISTS defines)
        string(REGEX MATCH "^#define (KELMORA_[A-Z_]+) ([0-9]+)( |$)" match "${line}")
        set(${CMAKE_MATCH_1} ${CMAKE_MATCH_2} PARENT_SCOPE)
    endforeach()
endfunction()

function(_kelmora_c_literal out text)
    string(REPLACE "\\" "\\\\" text "${text}")
    string(REPLACE "\"" "\\\"" text "${text}")
    string(REPLACE "\n" "\\n" text "${text}")
    set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

function(kelmora_add_character file_name)
    cmake_parse_arguments(PARSE_ARGV 1 KC
        "NO_CONFIG;NO_CURSOR;NO_ICONS"
        "ART_DIR;NAME;BASE_PERIOD;STEP;CONFIG;PROMPT;FRAMES;OUTPUT_DIR"
        "COUNTS;PERIODS;SKIP_FRAMES;SOURCES")
    if(NOT KC_ART_DIR)
        message(FATAL_ERROR "kelmora_add_character(${file_name}): ART_DIR is required")
    endif()
    if(NOT KC_OUTPUT_DIR)
        set(KC_OUTPUT_DIR ${DIST_DIR}/imagedlls)
    endif()
    set(kit_dir ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
    _kelmora_contract(${kit_dir}/KelmoraCharacter.h)
    set(target kelmora_character_${file_name})
    set(work ${CMAKE_CURRENT_BINARY_DIR}/${file_name})
    set(art ${work}/art)
    kelmora_art(${target}_art ${KC_ART_DIR} ${art})

    # The configuration string, from its parts unless given whole.
    if(NOT DEFINED KC_CONFIG AND NOT KC_NO_CONFIG)
        list(LENGTH KC_COUNTS n_counts)
        list(LENGTH KC_PERIODS n_periods)
        if(NOT n_counts EQUAL 6 OR NOT n_periods EQUAL 6)
            message(FATAL_ERROR "kelmora_add_character(${file_name}): COUNTS and PERIODS take six numbers each")
        endif()
        if(NOT DEFINED KC_BASE_PERIOD)
            set(KC_BASE_PERIOD ${KELMORA_DEFAULT_BASE_PERIOD})
        endif()
        if(NOT DEFINED KC_STEP)
            set(KC_STEP ${KELMORA_DEFAULT_STEP})
        endif()
        set(KC_CONFIG "${KC_NAME}_${KC_BASE_PERIOD}_${KC_STEP}_")
        foreach(v IN LISTS KC_COUNTS KC_PERIODS)
            string(APPEND KC_CONFIG "${v}_")
        endforeach()
    endif()
    if(NOT DEFINED KC_FRAMES)
        set(KC_FRAMES 0)
        foreach(c IN LISTS KC_COUNTS)
            if(c GREATER 0)
                math(EXPR KC_FRAMES "${KC_FRAMES} + ${c}")
            endif()
        endforeach()
    endif()

    set(KC_FILE_NAME ${file_name})
    set(KC_CONFIG_DEFINITION "")
    set(KC_PROMPT_DEFINITION "")
    if(DEFINED KC_CONFIG AND NOT KC_NO_CONFIG)
        _kelmora_c_literal(lit "${KC_CONFIG}")
        set(KC_CONFIG_DEFINITION "\nCString CRes::AllConfig()\n{\n    return ${lit};\n}\n")
    endif()
    if(DEFINED KC_PROMPT)
        _kelmora_c_literal(lit "${KC_PROMPT}")
        set(KC_PROMPT_DEFINITION "\nCString CRes::GetSerchMessage()\n{\n    return ${lit};\n}\n")
    endif()
    configure_file(${kit_dir}/character.cpp.in ${work}/character.cpp @ONLY)

    # The resource script names the art's output files, drawn at build time.
    set(rc "")
    math(EXPR last "${KC_FRAMES} - 1")
    if(KC_FRAMES GREATER 0)
        foreach(i RANGE 0 ${last})
            if(NOT i IN_LIST KC_SKIP_FRAMES)
                math(EXPR id "${KELMORA_FRAME_FIRST} + ${i}")
                string(APPEND rc "${id} BITMAP \"${art}/frame${i}.bmp\"\n")
            endif()
        endforeach()
    endif()
    if(NOT KC_NO_CURSOR)
        string(APPEND rc "${KELMORA_CURSOR} CURSOR \"${art}/cursor.cur\"\n")
    endif()
    if(NOT KC_NO_ICONS)
        string(APPEND rc "${KELMORA_SMALL_ICON} ICON \"${art}/small.ico\"\n${KELMORA_ICON} ICON \"${art}/icon.ico\"\n")
    endif()
    file(WRITE ${work}/character.rc.new "${rc}")
    configure_file(${work}/character.rc.new ${work}/character.rc COPYONLY)
    set_source_files_properties(${work}/character.rc PROPERTIES OBJECT_DEPENDS ${art}/.stamp)

    add_library(${target} SHARED ${work}/character.cpp ${work}/character.rc ${KC_SOURCES})
    target_include_directories(${target} PRIVATE ${kit_dir})
    target_link_libraries(${target} PRIVATE kelmora_string)
    add_dependencies(${target} ${target}_art)
    set_target_properties(${target} PROPERTIES
        PREFIX "" OUTPUT_NAME ${file_name}
        RUNTIME_OUTPUT_DIRECTORY ${KC_OUTPUT_DIR}
        LIBRARY_OUTPUT_DIRECTORY ${KC_OUTPUT_DIR})
endfunction()
