#pragma once

#include <string>

// One field value as a back end delivers it, tagged with its type; the access layer turns it into
// text by that type. Texts are Windows-1252, converted by the back end.
struct CDbValue {
    enum class EType { Null, Integer, Float32, Float64, Decimal, Date, Text, Boolean, Other };

    EType type = EType::Null;
    long long integer = 0; // Integer (any width, signed or unsigned up to 63 bits), Boolean (0 or 1)
    double number = 0.0;   // Float32, Float64
    std::string text;      // Text; Decimal as plain digits with an optional "-" and "."
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0; // Date

    void SetNull() { type = EType::Null; }
    bool IsText() const { return type == EType::Text; }
};
