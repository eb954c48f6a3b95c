// What every skin and the toolkit's own texts look like to a user: check boxes
// that show their box, tool pictures that stand out from a dark ground, and
// Chinese buttons in Qt's own dialogs.
#include "GuiTestSupport.h"

#include "app/MainWindowTexts.h"
#include "app/SettingsStore.h"
#include "app/Skins.h"
#include "fixtures/FixtureMaker.h"
#include "gui/MainWindow.h"
#include "gui/QtTranslations.h"
#include "gui/SkinLook.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTest>
#include <QToolButton>
#include <QTranslator>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <cmath>

namespace {

// WCAG's relative luminance and contrast ratio.
double Luminance(const QColor& colour) {
    auto channel = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}
double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The stored values of every look: each skin, and none.
std::vector<std::string> EveryLook() {
    std::vector<std::string> values{""};
    for (const TSkin& skin : Skins())
        values.emplace_back(skin.Value);
    return values;
}

class LookTest : public ::testing::Test {
protected:
    void SetUp() override { GuiApp(); }
    void TearDown() override { GuiApp().setStyleSheet(QString()); } // the other tests share the application
    TempDir dir_;
    QString ProgramFolder() const { return QString::fromStdString(dir_.Path().string()); }
};

TEST_F(LookTest, UntickedCheckBoxesShowTheirBoxInEverySkin) {
    for (const std::string& value : EveryLook()) {
        // The built-in look draws the toolkit's own box, which has no style sheet to lose it.
        if (value.empty())
            continue;
        GuiApp().setStyleSheet(SkinStyleSheet(value, ProgramFolder()));
        QDialog window; // the options window's kind
        auto* layout = new QVBoxLayout(&window);
        auto* box = new QCheckBox(QStringLiteral("允许截取视频"), &window);
        layout->addWidget(box);
        window.show();
        QApplication::processEvents();
        const QImage picture = box->grab().toImage();
        QStyleOptionButton option;
        option.initFrom(box);
        const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
        ASSERT_FALSE(indicator.isEmpty()) << value;
        // The ground beside the box: a corner of the check box right of its text.
        const QColor ground = picture.pixelColor(picture.width() - 2, picture.height() / 2);
        int visible = 0;
        for (int y = indicator.top(); y <= indicator.bottom(); ++y)
            for (int x = indicator.left(); x <= indicator.right(); ++x)
                if (Contrast(picture.pixelColor(x, y), ground) > 1.8)
                    ++visible;
        // At least the box's outline.
        EXPECT_GE(visible, 2 * indicator.width()) << "look " << (value.empty() ? "built-in" : value);
    }
}

TEST_F(LookTest, EnabledToolPicturesStandOutFromEveryDarkLooksGround) {
    for (const std::string& value : EveryLook()) {
        // Light looks keep the pictures' own colours.
        if (!SkinIconColour(value, ProgramFolder()).isValid())
            continue;
        TSettingsStore store(dir_.File("system.ini"), dir_.Path().string());
        store.WriteSkin(value);
        TFakePlatform platform;
        MainWindow window(platform, store, ProgramFolder());
        window.show();
        QApplication::processEvents();
        const QColor ground = window.grab(QRect(2, MainWindow::Height - 30, 1, 1)).toImage().pixelColor(0, 0);
        for (auto which : {TToolButton::Add, TToolButton::Start, TToolButton::Pause, TToolButton::Stop}) {
            QToolButton* button = window.ToolButton(which);
            const QImage picture = button->icon().pixmap(button->iconSize(), QIcon::Normal).toImage();
            // The drawn pixels, averaged by their weight.
            double r = 0, g = 0, b = 0, weight = 0;
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x) {
                    const QColor c = picture.pixelColor(x, y);
                    r += c.redF() * c.alphaF();
                    g += c.greenF() * c.alphaF();
                    b += c.blueF() * c.alphaF();
                    weight += c.alphaF();
                }
            ASSERT_GT(weight, 0) << value;
            const QColor drawn =
                QColor::fromRgbF(static_cast<float>(r / weight), static_cast<float>(g / weight),
                                 static_cast<float>(b / weight));
            EXPECT_GE(Contrast(drawn, ground), 3.0)
                << "look " << (value.empty() ? "built-in" : value) << ", button " << static_cast<int>(which)
                << ": " << drawn.name().toStdString() << " on " << ground.name().toStdString();
        }
        window.close();
        GuiApp().setStyleSheet(QString());
    }
}

TEST_F(LookTest, TheSkinMenuChecksTheCurrentLookAndOffersTheBuiltInOne) {
    TSettingsStore store(dir_.File("system.ini"), dir_.Path().string());
    TFakePlatform platform;
    auto checkedText = [](const MainWindow& window) {
        for (QAction* item : window.SkinMenu()->actions())
            if (item->isChecked())
                return item->text();
        return QString();
    };
    {
        MainWindow window(platform, store, ProgramFolder());
        EXPECT_EQ(checkedText(window), QString::fromUtf8(MainTexts::BuiltInSkinItem)) << "no skin stored";
        window.SkinMenu()->actions().at(14)->trigger(); // "运动黑色皮肤"
        EXPECT_EQ(store.ReadSkin(), "skin15");
        EXPECT_EQ(checkedText(window), QStringLiteral("运动黑色皮肤"));
    }
    MainWindow window(platform, store, ProgramFolder());
    EXPECT_EQ(checkedText(window), QStringLiteral("运动黑色皮肤")) << "after a restart";
    EXPECT_FALSE(GuiApp().styleSheet().isEmpty());
    window.SkinMenu()->actions().back()->trigger();
    EXPECT_EQ(checkedText(window), QString::fromUtf8(MainTexts::BuiltInSkinItem));
    EXPECT_TRUE(GuiApp().styleSheet().isEmpty());
    EXPECT_EQ(store.ReadSkin(), "");
}

TEST(QtTranslationsTest, QtsOwnButtonsAndDialogTextsAreChinese) {
    QApplication& app = GuiApp();
    const QLocale before;
    ASSERT_TRUE(InstallQtTranslations(app)) << "Qt's Chinese translations (qt6-translations-l10n)";
    QMessageBox box(QMessageBox::Information, QStringLiteral("提示"), QStringLiteral("x"),
                    QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const QList<QPushButton*> buttons = dialog.findChildren<QPushButton*>();
    QStringList texts;
    for (const QPushButton* button : buttons)
        texts << button->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("取消"))) << texts.join(u'|').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("打开(&O)")) || texts.contains(QStringLiteral("打开")))
        << texts.join(u'|').toStdString();

    // The other tests see Qt as it was.
    for (QTranslator* translator : app.findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    QLocale::setDefault(before);
}

} // namespace
