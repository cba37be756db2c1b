// The message editor's fields: texts as typed into each field, pieces of the input separated
// by NUL bytes.

#include "can/message_editor.h"
#include "fuzz_support.h"

using namespace vx42;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto pieces = fuzz::Pieces(fuzz::Text(data, size));
    CanMessage message;
    FieldTexts typed;
    for (int field = 0; field < kMessageFields; ++field) {
        const std::string_view text = pieces[static_cast<std::size_t>(field) % pieces.size()];
        typed[static_cast<std::size_t>(field)] = std::string(text);
        (void)FieldInRange(field, text);
        const std::string clamped = ClampFieldText(field, text);
        FUZZ_CHECK(ClampFieldText(field, clamped) == clamped);
        if (RangeOf(field)) FUZZ_CHECK(FieldInRange(field, clamped));
        if (StoreField(message, field, clamped) == StoreResult::Changed)
            FUZZ_CHECK(StoreField(message, field, clamped) == StoreResult::Unchanged);
    }
    (void)FieldErrors(typed);
    (void)FieldErrors(MessageFieldTexts(message));
    return 0;
}
