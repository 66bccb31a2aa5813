#pragma once
#include <QColor>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

// Layout units: all positions and sizes of a page are integers in 1/LayoutUnitsPerInch inch.
inline constexpr double LayoutUnitsPerInch = 91.6256157635468;

// Colours are stored 0x00BBGGRR; this value means "no colour" (a transparent fill).
inline constexpr std::uint32_t ReportNoColor = 0x1FFFFFFF;

QColor BgrToQColor(std::uint32_t bgr);
std::uint32_t QColorToBgr(const QColor &color);

enum class TReportObjectKind { Band, TextBox, Rectangle, RichText };
enum class TBandKind { None, PageHeader, PageFooter };
enum class TBandAlign { None, Left, Right, Center, Width, Bottom, Top, Rest };
enum class THorzAlign { Left, Right, Center };
enum class TVertAlign { Top, Center, Bottom };

// Frame sides, combined as a bit set.
enum TFrameSide : int { FrameRight = 1, FrameBottom = 2, FrameLeft = 4, FrameTop = 8 };
inline constexpr int FrameAll = FrameRight | FrameBottom | FrameLeft | FrameTop;

struct TReportFont {
    QString Name = QStringLiteral("Arial");
    double Size = 10; // points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    std::uint32_t Color = 0x000000;
    int Charset = 0;
};

// One run of a rich-text box: text in its own font.
struct TRichRun {
    QString Text;
    TReportFont Font;
};

// A named drawing object of a page. Every kind carries the common properties; each kind
// reads only the ones that concern it.
struct TReportObject {
    TReportObjectKind Kind = TReportObjectKind::TextBox;
    QString Name;
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    int FrameSides = 0;
    double FrameWidth = 1.0;
    std::uint32_t FrameColor = 0x000000;
    std::uint32_t FillColor = ReportNoColor;
    TBandAlign BandAlign = TBandAlign::None;
    int InsetX = 0;
    int InsetY = 0;
    bool Visible = true;

    TBandKind Band = TBandKind::None; // bands only

    QStringList Lines; // text boxes
    TReportFont Font;
    THorzAlign HorzAlign = THorzAlign::Left;
    TVertAlign VertAlign = TVertAlign::Top;
    int LineSpacing = 0; // extra units between lines
    bool WordWrap = false;
    bool AutoWidth = false;

    std::vector<TRichRun> Runs; // rich-text boxes, one paragraph

    // "Left", "Top", "Width", "Height", "FillColor", "Font.Color"; nothing for other names.
    std::optional<int> Property(const QString &name) const;
    // False, and nothing changes, for a name that is not an integer property.
    bool SetProperty(const QString &name, int value);
    // Splits at CR LF, CR or LF; an empty text gives no lines.
    void SetText(const QString &text);
    QString Text() const; // the lines joined with LF
};
