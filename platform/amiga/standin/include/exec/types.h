// Stand-in for the AmigaOS 4 SDK header of the same name: the system's
// integer and pointer types.  Only the names the AmigaOS front end and the
// stand-in use are given, with the SDK's meanings (32-bit LONG and ULONG).
#pragma once

#include <stdint.h>

typedef uint8_t uint8;
typedef int8_t int8;
typedef uint16_t uint16;
typedef int16_t int16;
typedef uint32_t uint32;
typedef int32_t int32;

typedef uint8 UBYTE;
typedef int8 BYTE;
typedef uint16 UWORD;
typedef int16 WORD;
typedef uint32 ULONG;
typedef int32 LONG;

typedef void *APTR;
typedef const void *CONST_APTR;
typedef char *STRPTR;
typedef const char *CONST_STRPTR;
