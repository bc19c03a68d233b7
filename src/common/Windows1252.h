#pragma once
// Windows-1252, the code page of the phone's text and of old language
// files: bytes below 0x80 and from 0xA0 are their Latin-1 selves; these are
// the characters of 0x80 to 0x9F. The five bytes the code page leaves
// unassigned stand for their own C1 control codes.

constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// True for the bytes 0x80 to 0x9F that hold no character of their own.
constexpr bool isUnassignedWindows1252(int index) {
  return kWindows1252High[index] == char16_t(0x80 + index);
}
