// Decodes arbitrary bytes as a picture the way both programs decode the
// pictures stored in a catalogue: whatever the bytes, the decoder must return
// in bounded time and memory, and never a picture beyond its bounds.
#include "gui/PictureDecoder.h"

#include <QByteArray>
#include <QImage>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Qt's readers warn about every refused image; the fuzzer's output is for findings.
    static const auto previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    (void)previous;
    const QImage image =
        portico::decodePicture(QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (!image.isNull() && (image.width() > portico::kMaxPictureSide || image.height() > portico::kMaxPictureSide))
        std::abort();
    return 0;
}
