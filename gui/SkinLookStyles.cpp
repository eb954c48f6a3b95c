#include "gui/SkinLookStyles.h"

#include <QColor>
#include <QWidget>

namespace {

// Grounds darker than this count as dark.
constexpr int DarkGroundLightness = 128;

struct SkinColours {
    TSkinLook Look;
    const char* Window;    // window and group backgrounds
    const char* Text;      // text on them
    const char* Border;    // frames of groups, boxes and buttons
    const char* ButtonTop; // button gradient
    const char* ButtonBottom;
    const char* Highlight; // hover, selection, slider fill
    const char* HighlightText;
    const char* Base; // lists and text boxes
};

constexpr SkinColours Palettes[] = {
    {TSkinLook::Silver, "#e8e8ea", "#202020", "#9a9aa0", "#fdfdfd", "#d4d4d8", "#7aa7e0", "#ffffff",
     "#ffffff"},
    {TSkinLook::Blue, "#dce8f7", "#10223a", "#6f95c8", "#f4f8fd", "#b9d0ee", "#3a78c8", "#ffffff", "#ffffff"},
    {TSkinLook::DeepBlue, "#1f3556", "#e6eefa", "#4d6f9f", "#36557f", "#223a5e", "#5b9be6", "#ffffff",
     "#2a4368"},
    {TSkinLook::Green, "#e0f0dc", "#17301a", "#6ea468", "#f5fbf3", "#bfe0b8", "#3f9a46", "#ffffff",
     "#ffffff"},
    {TSkinLook::Orange, "#fbe8d8", "#3a1f0a", "#d98a4a", "#fff6ee", "#f6c79e", "#e06a1a", "#ffffff",
     "#ffffff"},
    {TSkinLook::Cyan, "#dcf3f5", "#0f3236", "#5fb1ba", "#f3fbfc", "#b6e3e8", "#1f9aa8", "#ffffff", "#ffffff"},
    {TSkinLook::Black, "#2a2a2d", "#e8e8e8", "#56565c", "#47474c", "#2e2e32", "#d08a1c", "#101010",
     "#1e1e20"},
};

QString sheetFor(const SkinColours& c) {
    // Only the toolkit's own classes are named: the video area paints itself black.
    QString sheet = QStringLiteral(R"(
QMainWindow, QDialog, QStatusBar, QToolBar, QMenuBar { background: %1; color: %2; }
QGroupBox { background: %1; color: %2; border: 1px solid %3; border-radius: 4px; margin-top: 8px; }
QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; color: %2; }
QLabel, QCheckBox, QRadioButton { color: %2; background: transparent; }
QCheckBox::indicator { width: 12px; height: 12px; border: 1px solid %2; border-radius: 2px; background: %8; }
QCheckBox::indicator:checked { border-color: %6; background: qradialgradient(cx:0.5, cy:0.5, radius:0.5,
    fx:0.5, fy:0.5, stop:0 %6, stop:0.6 %6, stop:0.7 %8); }
QCheckBox::indicator:disabled { border-color: %9; }
QPushButton { color: %2; border: 1px solid %3; border-radius: 3px; padding: 3px 10px;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %4, stop:1 %5); }
QPushButton:hover { border-color: %6; }
QPushButton:pressed { background: %5; }
QToolButton { color: %2; border: 1px solid transparent; border-radius: 3px; background: transparent; }
QToolButton:hover { border-color: %3;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %4, stop:1 %5); }
QLineEdit, QComboBox, QTreeView, QTableView, QListView, QTableWidget, QTreeWidget, QPlainTextEdit {
    background: %8; color: %2; border: 1px solid %3; selection-background-color: %6;
    selection-color: %7; }
QHeaderView, QTableCornerButton::section { background: %5; border: 0; }
QHeaderView::section { color: %2; border: 0; border-right: 1px solid %3; border-bottom: 1px solid %3;
    padding: 2px 4px; background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %4, stop:1 %5); }
QSlider::groove:horizontal { height: 4px; background: %5; border: 1px solid %3; border-radius: 2px; }
QSlider::sub-page:horizontal { background: %6; border-radius: 2px; }
QSlider::handle:horizontal { width: 10px; margin: -5px 0; border-radius: 3px; border: 1px solid %3;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %4, stop:1 %5); }
QMenu { background: %8; color: %2; border: 1px solid %3; }
QMenu::item:selected { background: %6; color: %7; }
QProgressBar { border: 1px solid %3; background: %8; color: %2; text-align: center; }
QProgressBar::chunk { background: %6; }
QPushButton:disabled, QToolButton:disabled, QLabel:disabled, QCheckBox:disabled, QRadioButton:disabled,
QLineEdit:disabled, QComboBox:disabled { color: %9; }
)");
    // Disabled text halfway between the text and its ground, as the built-in look greys it.
    const QColor text(QLatin1String(c.Text)), ground(QLatin1String(c.Window));
    const QString muted = QColor((text.red() + ground.red()) / 2, (text.green() + ground.green()) / 2,
                                 (text.blue() + ground.blue()) / 2)
                              .name();
    return sheet.arg(QLatin1String(c.Window), QLatin1String(c.Text), QLatin1String(c.Border),
                     QLatin1String(c.ButtonTop), QLatin1String(c.ButtonBottom), QLatin1String(c.Highlight),
                     QLatin1String(c.HighlightText), QLatin1String(c.Base), muted);
}

} // namespace

QString SkinLookStyleSheet(TSkinLook look) {
    for (const auto& palette : Palettes) {
        if (palette.Look == look)
            return sheetFor(palette);
    }
    return {};
}

QColor SkinLookIconColour(TSkinLook look) {
    for (const auto& palette : Palettes) {
        if (palette.Look == look && QColor(QLatin1String(palette.Window)).lightness() < DarkGroundLightness)
            return QColor(QLatin1String(palette.Text));
    }
    return QColor();
}

void ApplySkinLook(QWidget& window, const std::string& value) {
    window.setStyleSheet(SkinLookStyleSheet(SkinLookOf(value)));
}
