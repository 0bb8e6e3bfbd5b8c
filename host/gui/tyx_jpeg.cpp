#include "host/gui/tyx_jpeg.h"

#include <QBuffer>
#include <algorithm>
#include <new>
#include <vector>

#include "host/tyx_errors.h"

namespace tyx {

namespace {

QImage DecodeJpeg(const std::vector<uint8_t>& Bytes, const std::string& Where)
{
    const QImage Img = QImage::fromData(Bytes.data(), static_cast<int>(Bytes.size()), "JPEG");
    if (Img.isNull()) throw EInOutError(Where, "invalid or unsupported JPEG image");
    return Img.convertToFormat(QImage::Format_RGB32);
}

} // namespace

void TJPEGImage::SetCompressionQuality(int Value) { FQuality = std::clamp(Value, 1, 100); }

void TJPEGImage::Progress(int Percent) const
{
    if (OnProgress) OnProgress(const_cast<TJPEGImage*>(this), Percent);
}

void TJPEGImage::LoadFromFile(const std::string& FileName)
{
    Progress(0);
    FImage = DecodeJpeg(ReadFileBytes(FileName), FileName);
    Progress(100);
}

void TJPEGImage::LoadFromStream(TStream& Stream)
{
    Progress(0);
    std::vector<uint8_t> Bytes(static_cast<std::size_t>(std::max<int64_t>(Stream.Size() - Stream.Position(), 0)));
    Stream.ReadBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
    FImage = DecodeJpeg(Bytes, "stream");
    Progress(100);
}

namespace {

QByteArray EncodeJpeg(const QImage& Img, int Quality, const std::string& Where)
{
    if (Img.isNull()) throw EInOutError(Where, "no picture to save");
    QByteArray Data;
    QBuffer Buf(&Data);
    Buf.open(QIODevice::WriteOnly);
    if (!Img.save(&Buf, "JPEG", Quality)) throw EInOutError(Where, "JPEG encoding failed");
    return Data;
}

} // namespace

void TJPEGImage::SaveToFile(const std::string& FileName) const
{
    Progress(0);
    const QByteArray Data = EncodeJpeg(FImage, FQuality, FileName);
    WriteFileBytes(FileName, Data.constData(), static_cast<std::size_t>(Data.size()));
    Progress(100);
}

void TJPEGImage::SaveToStream(TStream& Stream) const
{
    Progress(0);
    const QByteArray Data = EncodeJpeg(FImage, FQuality, "stream");
    Stream.WriteBuffer(Data.constData(), Data.size());
    Progress(100);
}

void TJPEGImage::Assign(const TBitmap& Source)
{
    QImage Img = Source.ToQImage();
    FImage = Img.isNull() ? QImage() : Img.convertToFormat(QImage::Format_RGB32);
}

void TJPEGImage::Assign(const TJPEGImage& Source)
{
    if (&Source != this) {
        FImage = Source.FImage;
        FQuality = Source.FQuality;
    }
}

void TJPEGImage::AssignTo(TBitmap& Dest) const { Dest.Assign(*this); }

} // namespace tyx
