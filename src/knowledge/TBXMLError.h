#pragma once

#include <string_view>

// Failures the XML reader reports when it is created. The reader itself only ever
// produces the first three; the others keep their fixed messages for callers that
// report their own faults in the reader's terms.
enum class TBXMLErrorCode : int {
    DataIsNil = 1,
    DecodeFailure = 2,
    UnableToAllocateMemory = 3,
    FileNotFoundInBundle = 4,
    ElementIsNil = 5,
    ElementNameIsNil = 6,
    ElementNotFound = 7,
    ElementTextIsNil = 8,
    AttributeIsNil = 9,
    AttributeNameIsNil = 10,
    AttributeNotFound = 11,
    ParameterNameIsNil = 12,
};

struct TBXMLError {
    static constexpr std::string_view kDomain = "com.halvorn.Sweepwise.TBXML";

    int code{0};

    std::string_view domain() const { return kDomain; }
    std::string_view localizedDescription() const { return descriptionForCode(code); }

    static TBXMLError withCode(TBXMLErrorCode code) { return TBXMLError{static_cast<int>(code)}; }
    // The fixed message of a code; codes outside the table share one message.
    static std::string_view descriptionForCode(int code);
};
