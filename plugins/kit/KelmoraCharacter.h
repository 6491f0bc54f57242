#pragma once
// The one header a character plug-in includes. The program finds the two
// member functions below by their decorated names, calls them without any
// CRes object and frees the returned string itself, so a definition must not
// use its object, and must build the string with this CString (linked from
// kelmora_string: the same allocator as the program's).
#include "framework/CString.h"

class __declspec(dllexport) CRes {
public:
    // "name_base_step_c0_c1_c2_c3_c4_c5_p0_p1_p2_p3_p4_p5_": the character's
    // name, base period (ms), step (pixels), frame counts and periods (ms)
    // of its six animation categories. Optional.
    CString AllConfig();
    // The question the search box asks. Optional.
    CString GetSerchMessage();
};
