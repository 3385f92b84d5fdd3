#pragma once

#include "platform/NumberSymbols.h"

#include <QString>
#include <cstdint>

// The emphasis markup of the panel's texts: what the title style's tag wraps.
class TitleEmphasis {
public:
    // The text wrapped in the emphasis tag, with its own markup characters escaped.
    static QString tagged(const QString& text);
    // The title of several applications with their count emphasised, wherever it stands and
    // whether the text writes it in the locale's digits (as formatting it does) or in
    // ASCII digits.
    static QString
    emphasizingCount(QString title, std::int64_t count,
                     const platform::NumberSymbols& symbols = platform::NumberSymbols::current());
    static QString tag();
};
