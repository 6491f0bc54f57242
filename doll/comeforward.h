#pragma once
#include <windows.h>

// Registered message a second start in the doll's folder sends to the
// running doll window; a doll that came forward answers COME_FORWARD_DONE,
// one that is ending 0.
#define KELMORA_COME_FORWARD_MESSAGE "Kelmora.ComeForward"
enum { COME_FORWARD_DONE = 1 };

inline UINT ComeForwardMessage()
{
    static const UINT message = ::RegisterWindowMessageA(KELMORA_COME_FORWARD_MESSAGE);
    return message;
}
