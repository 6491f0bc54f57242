#pragma once
// A property that fails is a finding like a sanitizer report: it prints
// where and aborts, so libFuzzer keeps the input.
#include <stdio.h>
#include <stdlib.h>

#define CHECK(cond)                                                                  \
    do {                                                                             \
        if (!(cond)) {                                                               \
            fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #cond); \
            abort();                                                                 \
        }                                                                            \
    } while (0)
