#include "host/gui/tyx_bitmap.h"

#include <QPainter>
#include <cstring>
#include <new>
#include <stdexcept>
#include <unordered_map>

#include "host/gui/tyx_jpeg.h"
#include "host/gui/tyx_qtcolor.h"
#include "host/tyx_errors.h"

namespace tyx {

QImage::Format PaintFormat(TPixelFormat PixelFormat)
{
    switch (PixelFormat) {
    case pf15bit:
    case pf16bit: return QImage::Format_RGB555;
    case pf24bit: return QImage::Format_RGB888;
    default: return QImage::Format_RGB32;
    }
}

namespace {

bool HasPalette(TPixelFormat Pf) { return Pf == pf1bit || Pf == pf4bit || Pf == pf8bit; }

std::size_t PaletteSize(TPixelFormat Pf)
{
    switch (Pf) {
    case pf1bit: return 2;
    case pf4bit: return 16;
    case pf8bit: return 256;
    default: return 0;
    }
}

// The 8-bit default: the 16 standard colours, a 6x6x6 colour cube and 24 greys.
std::vector<TColor> DefaultPalette256()
{
    std::vector<TColor> P(std::begin(StandardColors16), std::end(StandardColors16));
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) P.push_back(RGB(uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51)));
    for (int i = 1; i <= 24; ++i) {
        const auto v = uint8_t(i * 255 / 25);
        P.push_back(RGB(v, v, v));
    }
    return P;
}

int NearestIndex(const std::vector<TColor>& Palette, TColor C)
{
    int Best = 0;
    long BestDist = -1;
    for (std::size_t i = 0; i < Palette.size(); ++i) {
        const long dr = long(GetRValue(C)) - GetRValue(Palette[i]);
        const long dg = long(GetGValue(C)) - GetGValue(Palette[i]);
        const long db = long(GetBValue(C)) - GetBValue(Palette[i]);
        const long d = dr * dr + dg * dg + db * db;
        if (BestDist < 0 || d < BestDist) {
            BestDist = d;
            Best = static_cast<int>(i);
            if (d == 0) break;
        }
    }
    return Best;
}

// Palette lookups per distinct colour: pictures hold few colours, but many pixels.
class TPaletteMapper {
public:
    explicit TPaletteMapper(const std::vector<TColor>& Palette) : FPalette(Palette) {}
    int Index(QRgb Px)
    {
        const TColor C = QRgbToTColor(Px);
        const auto It = FCache.find(C);
        if (It != FCache.end()) return It->second;
        const int Ix = NearestIndex(FPalette, C);
        FCache.emplace(C, Ix);
        return Ix;
    }

private:
    const std::vector<TColor>& FPalette;
    std::unordered_map<TColor, int> FCache;
};

QImage NewImage(int W, int H, QImage::Format Fmt)
{
    if (W <= 0 || H <= 0) return QImage();
    QImage Img(W, H, Fmt);
    if (Img.isNull()) throw std::bad_alloc();
    Img.fill(Qt::white);
    return Img;
}

void Put16(std::vector<uint8_t>& B, std::size_t At, uint16_t V)
{
    B[At] = uint8_t(V);
    B[At + 1] = uint8_t(V >> 8);
}

void Put32(std::vector<uint8_t>& B, std::size_t At, uint32_t V)
{
    for (int i = 0; i < 4; ++i) B[At + i] = uint8_t(V >> (8 * i));
}

uint32_t Get32(const std::vector<uint8_t>& B, std::size_t At)
{
    return uint32_t(B[At]) | uint32_t(B[At + 1]) << 8 | uint32_t(B[At + 2]) << 16 | uint32_t(B[At + 3]) << 24;
}

} // namespace

TBitmap::TBitmap() { FCanvas.FBitmap = this; FCanvas.SetImage(&FImage); }

TBitmap::TBitmap(int Width, int Height, TPixelFormat PixelFormat) : TBitmap()
{
    if (Width < 0 || Height < 0) throw std::invalid_argument("TBitmap: negative size");
    FPixelFormat = PixelFormat;
    ResetPalette();
    FImage = NewImage(Width, Height, PaintFormat(PixelFormat));
    FWidth = Width;
    FHeight = Height;
}

void TBitmap::TakeImage(QImage&& Image)
{
    FImage = std::move(Image);
    FWidth = FImage.width();
    FHeight = FImage.height();
}

TBitmap::~TBitmap() { FCanvas.EndPaint(); }

void TBitmap::SetWidth(int Value) { SetSize(Value, Height()); }
void TBitmap::SetHeight(int Value) { SetSize(Width(), Value); }

void TBitmap::SetSize(int NewWidth, int NewHeight)
{
    NewWidth = std::max(NewWidth, 0);
    NewHeight = std::max(NewHeight, 0);
    if (NewWidth == Width() && NewHeight == Height()) return;
    FCanvas.EndPaint();
    QImage N = NewImage(NewWidth, NewHeight, PaintFormat(FPixelFormat));
    if (!N.isNull() && !FImage.isNull()) {
        QPainter P(&N);
        P.setCompositionMode(QPainter::CompositionMode_Source);
        P.drawImage(0, 0, FImage);
    }
    FImage = std::move(N);
    FWidth = NewWidth;
    FHeight = NewHeight;
}

void TBitmap::SetPixelFormat(TPixelFormat Value)
{
    if (Value == FPixelFormat) return;
    FCanvas.EndPaint();
    if (!FImage.isNull()) FImage = FImage.convertToFormat(PaintFormat(Value));
    const bool KeepPalette = PaletteSize(Value) == FPalette.size() && HasPalette(Value);
    FPixelFormat = Value;
    if (!KeepPalette) ResetPalette();
    QuantizeToPalette();
}

int TBitmap::BitsPerPixel() const
{
    switch (FPixelFormat) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit: return 16;
    case pf24bit: return 24;
    default: return 32;
    }
}

void TBitmap::ResetPalette()
{
    switch (FPixelFormat) {
    case pf1bit: FPalette = {clBlack, clWhite}; break;
    case pf4bit: FPalette.assign(std::begin(StandardColors16), std::end(StandardColors16)); break;
    case pf8bit: FPalette = DefaultPalette256(); break;
    default: FPalette.clear(); break;
    }
}

void TBitmap::SetPalette(const std::vector<TColor>& Colors)
{
    if (!HasPalette(FPixelFormat)) return;
    FPalette = Colors;
    FPalette.resize(PaletteSize(FPixelFormat), clBlack);
    QuantizeToPalette();
}

TColor TBitmap::MapToPalette(TColor C) const
{
    if (FPixelFormat == pf15bit || FPixelFormat == pf16bit) {
        // Five bits per channel, widened again by repeating the top bits, as the pixels are.
        const auto Widen = [](uint8_t V) { return uint8_t((V & 0xF8) | (V >> 5)); };
        return RGB(Widen(GetRValue(C)), Widen(GetGValue(C)), Widen(GetBValue(C)));
    }
    if (FPalette.empty()) return C & 0xFFFFFF;
    return FPalette[static_cast<std::size_t>(NearestIndex(FPalette, C))];
}

void TBitmap::QuantizeToPalette()
{
    if (FPalette.empty() || FImage.isNull()) return;
    FCanvas.EndPaint();
    TPaletteMapper Mapper(FPalette);
    for (int y = 0; y < FImage.height(); ++y) {
        auto* Line = reinterpret_cast<QRgb*>(FImage.scanLine(y));
        for (int x = 0; x < FImage.width(); ++x)
            Line[x] = TColorToQRgb(FPalette[static_cast<std::size_t>(Mapper.Index(Line[x]))]);
    }
}

const QImage& TBitmap::Image() const
{
    FCanvas.EndPaint();
    return FImage;
}

QImage& TBitmap::Image()
{
    FCanvas.EndPaint();
    return FImage;
}

QImage TBitmap::ToQImage() const
{
    FCanvas.EndPaint();
    if (FPalette.empty() || FImage.isNull()) return FImage;
    QImage Out(FImage.size(), QImage::Format_Indexed8);
    QList<QRgb> Table;
    for (TColor C : FPalette) Table.push_back(TColorToQRgb(C));
    Out.setColorTable(Table);
    TPaletteMapper Mapper(FPalette);
    for (int y = 0; y < FImage.height(); ++y) {
        const auto* In = reinterpret_cast<const QRgb*>(FImage.constScanLine(y));
        uchar* O = Out.scanLine(y);
        for (int x = 0; x < FImage.width(); ++x) O[x] = static_cast<uchar>(Mapper.Index(In[x]));
    }
    return Out;
}

void TBitmap::AssignImage(const QImage& Image)
{
    TPixelFormat Pf = pf32bit;
    std::vector<TColor> Pal;
    switch (Image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
        for (QRgb C : Image.colorTable()) Pal.push_back(QRgbToTColor(C));
        Pf = Pal.size() <= 2 && Image.format() != QImage::Format_Indexed8 ? pf1bit
             : Pal.size() <= 16                                           ? pf4bit
                                                                          : pf8bit;
        break;
    case QImage::Format_RGB555:
    case QImage::Format_RGB16:
    case QImage::Format_RGB444:
    case QImage::Format_ARGB4444_Premultiplied: Pf = pf15bit; break;
    case QImage::Format_RGB888:
    case QImage::Format_BGR888: Pf = pf24bit; break;
    default: break;
    }
    QImage Converted = Image.isNull() ? QImage() : Image.convertToFormat(PaintFormat(Pf));
    if (!Image.isNull() && Converted.isNull()) throw std::bad_alloc();
    FCanvas.EndPaint();
    TakeImage(std::move(Converted));
    FPixelFormat = Pf;
    ResetPalette();
    if (!Pal.empty()) {
        Pal.resize(PaletteSize(Pf), clBlack);
        FPalette = Pal;
    }
}

void TBitmap::Assign(const TBitmap& Source)
{
    if (&Source == this) return;
    Source.FCanvas.EndPaint();
    FCanvas.EndPaint();
    FImage = Source.FImage.copy();
    FWidth = Source.FWidth;
    FHeight = Source.FHeight;
    FPixelFormat = Source.FPixelFormat;
    FPalette = Source.FPalette;
}

void TBitmap::Assign(const TJPEGImage& Source)
{
    AssignImage(Source.Image());
    SetPixelFormat(pf24bit);
}

void TBitmap::LoadFromBytes(const std::vector<uint8_t>& Bytes, const std::string& Where)
{
    if (OnProgress) OnProgress(this, 0);
    if (Bytes.size() < 26 || Bytes[0] != 'B' || Bytes[1] != 'M') throw EInOutError(Where, "not a bitmap file");
    // Qt decodes every depth to a few formats; the file's own depth decides the pixel format.
    const uint32_t HeaderSize = Get32(Bytes, 14);
    int Bits = 0;
    if (HeaderSize == 12) Bits = Bytes[24] | Bytes[25] << 8;
    else if (HeaderSize >= 40 && Bytes.size() >= 30) Bits = Bytes[28] | Bytes[29] << 8;
    const QImage Img = QImage::fromData(Bytes.data(), static_cast<int>(Bytes.size()), "BMP");
    if (Img.isNull()) throw EInOutError(Where, "invalid or unsupported bitmap");
    AssignImage(Img);
    TPixelFormat Pf = FPixelFormat;
    switch (Bits) {
    case 1: Pf = pf1bit; break;
    case 4: Pf = pf4bit; break;
    case 8: Pf = pf8bit; break;
    case 16: Pf = pf15bit; break;
    case 24: Pf = pf24bit; break;
    case 32: Pf = pf32bit; break;
    default: break;
    }
    if (Pf != FPixelFormat) {
        // An indexed picture whose table is shorter than its depth: keep its colours first.
        std::vector<TColor> Pal = FPalette;
        SetPixelFormat(Pf);
        if (HasPalette(Pf) && !Pal.empty()) SetPalette(Pal);
    }
    if (OnProgress) OnProgress(this, 100);
}

void TBitmap::LoadFromFile(const std::string& FileName) { LoadFromBytes(ReadFileBytes(FileName), FileName); }

void TBitmap::LoadFromStream(TStream& Stream)
{
    // Read exactly one bitmap: its length is in the file header.
    std::vector<uint8_t> Bytes(14);
    if (Stream.Read(Bytes.data(), 14) != 14) throw EInOutError("stream", "not a bitmap file");
    int64_t Total = Get32(Bytes, 2);
    const int64_t Left = Stream.Size() - Stream.Position();
    if (Total < 14 || Total - 14 > Left) Total = Left + 14;
    Bytes.resize(static_cast<std::size_t>(Total));
    Stream.ReadBuffer(Bytes.data() + 14, Total - 14);
    LoadFromBytes(Bytes, "stream");
}

std::vector<uint8_t> TBitmap::EncodeBmp() const
{
    FCanvas.EndPaint();
    const int W = Width(), H = Height(), Bpp = BitsPerPixel();
    const std::size_t RowBytes = ((static_cast<std::size_t>(W) * Bpp + 31) / 32) * 4;
    const std::size_t Colors = Bpp <= 8 ? (std::size_t(1) << Bpp) : 0;
    const std::size_t PixOff = 14 + 40 + 4 * Colors;
    std::vector<uint8_t> B(PixOff + RowBytes * static_cast<std::size_t>(H), 0);
    B[0] = 'B';
    B[1] = 'M';
    Put32(B, 2, static_cast<uint32_t>(B.size()));
    Put32(B, 10, static_cast<uint32_t>(PixOff));
    Put32(B, 14, 40);
    Put32(B, 18, static_cast<uint32_t>(W));
    Put32(B, 22, static_cast<uint32_t>(H)); // positive: rows stored bottom-up
    Put16(B, 26, 1);
    Put16(B, 28, static_cast<uint16_t>(Bpp));
    Put32(B, 30, 0); // BI_RGB
    Put32(B, 34, static_cast<uint32_t>(RowBytes * static_cast<std::size_t>(H)));
    Put32(B, 38, 3780); // 96 dpi
    Put32(B, 42, 3780);
    Put32(B, 46, static_cast<uint32_t>(Colors));
    for (std::size_t i = 0; i < Colors; ++i) {
        const TColor C = i < FPalette.size() ? FPalette[i] : clBlack;
        B[54 + 4 * i] = GetBValue(C);
        B[54 + 4 * i + 1] = GetGValue(C);
        B[54 + 4 * i + 2] = GetRValue(C);
    }
    if (W == 0 || H == 0) return B;
    const QImage Rgb = FImage.convertToFormat(QImage::Format_RGB32);
    TPaletteMapper Mapper(FPalette);
    for (int y = 0; y < H; ++y) {
        const auto* In = reinterpret_cast<const QRgb*>(Rgb.constScanLine(y));
        uint8_t* Row = B.data() + PixOff + RowBytes * static_cast<std::size_t>(H - 1 - y);
        for (int x = 0; x < W; ++x) {
            const QRgb Px = In[x];
            switch (Bpp) {
            case 1: Row[x / 8] |= uint8_t(Mapper.Index(Px) << (7 - x % 8)); break;
            case 4: Row[x / 2] |= uint8_t(Mapper.Index(Px) << (x % 2 ? 0 : 4)); break;
            case 8: Row[x] = uint8_t(Mapper.Index(Px)); break;
            case 16: {
                const auto V = uint16_t((qRed(Px) >> 3) << 10 | (qGreen(Px) >> 3) << 5 | (qBlue(Px) >> 3));
                Row[2 * x] = uint8_t(V);
                Row[2 * x + 1] = uint8_t(V >> 8);
                break;
            }
            case 24:
                Row[3 * x] = uint8_t(qBlue(Px));
                Row[3 * x + 1] = uint8_t(qGreen(Px));
                Row[3 * x + 2] = uint8_t(qRed(Px));
                break;
            default:
                Row[4 * x] = uint8_t(qBlue(Px));
                Row[4 * x + 1] = uint8_t(qGreen(Px));
                Row[4 * x + 2] = uint8_t(qRed(Px));
                break;
            }
        }
    }
    return B;
}

void TBitmap::SaveToFile(const std::string& FileName) const
{
    const std::vector<uint8_t> B = EncodeBmp();
    if (OnProgress) OnProgress(const_cast<TBitmap*>(this), 0);
    WriteFileBytes(FileName, B.data(), B.size());
    if (OnProgress) OnProgress(const_cast<TBitmap*>(this), 100);
}

void TBitmap::SaveToStream(TStream& Stream) const
{
    const std::vector<uint8_t> B = EncodeBmp();
    Stream.WriteBuffer(B.data(), static_cast<int64_t>(B.size()));
}

} // namespace tyx
