// Firmware image files: any bytes as an Intel HEX image (the check, then the loader) and as an
// instrument image. The loader never marks a block outside the memory image, and a line that
// passes the instrument check always makes a record that fits one report.

#include "firmware/images.h"
#include "fuzz/fuzz_support.h"
#include "link/report.h"
#include "support/round_trip.h"

using namespace zv318;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(fuzz::Text(data, size));

    // An image accepted is programmed or sent exactly as the file holds it.
    ZV318_FUZZ_CHECK(roundtrip::CheckHexImage(text).empty());
    ZV318_FUZZ_CHECK(roundtrip::CheckInstrumentImage(text).empty());
    (void)ProvaCheckSum(text);
    const MemoryImage image = LoadMemoryImage(text);
    ZV318_FUZZ_CHECK(image.bytes.size() == static_cast<std::size_t>(kMemoryImageSize));
    ZV318_FUZZ_CHECK(image.endMark >= 0 && image.endMark < kMemoryImageSize);

    for (const std::string& line : InstrumentImageLines(text)) {
        const InstrumentRecord record = DecodeInstrumentLine(line);
        if (!InstrumentLineIsSound(line)) continue;
        // Head, type, count and the count's bytes, a carriage return and a zero after the
        // report's three header bytes.
        ZV318_FUZZ_CHECK(record.bytes.size() >= 6);
        ZV318_FUZZ_CHECK(record.bytes[5] <= kMaxRecordBytes);
        ZV318_FUZZ_CHECK(3 + record.bytes.size() + 2 <= kReportSize);
    }
    // What the instrument update sends: every record of a whole image fits one report.
    if (const auto records = WholeInstrumentImage(text))
        for (const std::string& line : *records)
            ZV318_FUZZ_CHECK(3 + DecodeInstrumentLine(line).bytes.size() + 2 <= kReportSize);
    return 0;
}
