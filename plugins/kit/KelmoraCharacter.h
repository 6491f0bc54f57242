#pragma once
// The character plug-in contract: the one header a plug-in includes, and the
// one place the program, the packer, the template plug-in, the kit's CMake
// function and the tests take its values from. The #define lines are read by
// the kit's CMake function too; a plug-in's resource script may include this
// header (RC_INVOKED leaves out the C++).

// Resources. Frame i is bitmap KELMORA_FRAME_FIRST + i; the frames of
// animation category k follow those of categories 0 to k - 1. Of the six
// categories (down, up, left, right, rest, extra) the doll shows the first
// five; at most KELMORA_FRAME_SLOTS frames are loaded in all.
#define KELMORA_CATEGORIES 6
#define KELMORA_FRAME_SLOTS 30
#define KELMORA_FRAME_FIRST 3000
#define KELMORA_CURSOR 2900      // cursor over the doll, 32 x 32
#define KELMORA_SMALL_ICON 2901  // the search box's icon, small-icon size
#define KELMORA_ICON 2902        // the tray icon, small-icon size

// The frames' transparent colour, magenta: red 255, green 0, blue 255. Its
// value reads the same as a COLORREF and as a 32-bit pixel of a bitmap
// (blue, green, red, unused).
#define KELMORA_KEY_COLOR 0x00FF00FF

// The two optional exports, as the compiler decorates the members of CRes
// below.
#define KELMORA_CONFIG_EXPORT "_ZN4CRes9AllConfigEv"
#define KELMORA_PROMPT_EXPORT "_ZN4CRes15GetSerchMessageEv"

// The question the search box asks for a character without a prompt export.
#define KELMORA_DEFAULT_PROMPT "搜索什么？"

// A character without a configuration export: its base period (ms), step
// (pixels per tick; 0 walks 1), frame counts and periods (ms) of the six
// categories. The kit and the packer fill what a character leaves out with
// the same base period and step, and the program's built-in character has
// the same numbers.
#define KELMORA_DEFAULT_BASE_PERIOD 100
#define KELMORA_DEFAULT_STEP 0
#define KELMORA_DEFAULT_COUNTS 2, 2, 2, 2, 3, 0
#define KELMORA_DEFAULT_PERIODS 100, 100, 100, 100, 100, 0

#ifndef RC_INVOKED
#include "framework/CString.h"

// The program finds the two members by their decorated names, calls them
// without any CRes object and takes the returned string over: it reads the
// string's first word, a pointer to text from msvcrt's malloc, copies the
// text and frees it. A definition must therefore not use its object, and
// must build the string with this CString (linked from kelmora_string).
class __declspec(dllexport) CRes {
public:
    // "name_base_step_c0_c1_c2_c3_c4_c5_p0_p1_p2_p3_p4_p5_": the character's
    // name, base period (ms), step (pixels), frame counts and periods (ms)
    // of its six animation categories. Optional.
    CString AllConfig();
    // The question the search box asks. Optional.
    CString GetSerchMessage();
};
#endif
