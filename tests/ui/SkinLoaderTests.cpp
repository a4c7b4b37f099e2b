#include "UiTestSupport.h"

#include "platform/ProgramFolder.h"
#include "ui/CQVButton.h"
#include "ui/CQVSkinFonts.h"
#include "ui/CQVSkinLoader.h"
#include "ui/CQVStatic.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace
{

bool WriteText(const QString& path, const char* szText)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(szText) >= 0;
}

// A window that loads a given skin file instead of the program's.
class CSkinWindow : public CQVPlatformWindow
{
public:
    CQVUIManager manager;
};

class SkinLoaderTest : public CToolkitTest
{
protected:
    void SetUp() override
    {
        CToolkitTest::SetUp();
        ASSERT_TRUE(folder.isValid());
        base = folder.path().toStdString() + "/";
        QImage strip(64, 16, QImage::Format_ARGB32);
        strip.fill(Qt::cyan);
        ASSERT_TRUE(strip.save(folder.filePath("strip.png")));
        ASSERT_TRUE(window.CreateWindowEx(nullptr, 300, 200));
    }

    QTemporaryDir folder;
    std::string base;
    CSkinWindow window;
};

} // namespace

TEST_F(SkinLoaderTest, ReadsFontsTooltipSettingsAndControlsInDocumentOrder)
{
    ASSERT_TRUE(WriteText(folder.filePath("skin.xml"), R"(<?xml version="1.0"?>
<skin>
  <font id="6" size="17" bold="1" italic="1" underline="1" colornormal="255"><name>Liberation Serif</name></font>
  <font id="6" size="30"><name>Other</name></font>
  <font id="3"/>
  <tooltipbackground fontid="6">strip.png</tooltipbackground>
  <button x="5" y="6" width="20" height="16" state="2" id="44" fontid="3">
    <background>strip.png</background>
    <tooltip>First line\r\nSecond line</tooltip>
    <text>Hello</text>
  </button>
  <static x="1" y="2" width="50" height="10" id="45"><text>Label</text></static>
  <check x="1" y="2" width="50" height="10" id="46"/>
  <unknown id="47"/>
  <button id="48"><background>missing.png</background></button>
</skin>)"));
    ASSERT_TRUE(window.manager.LoadSkinFrom(&window, base, "skin.xml"));
    EXPECT_EQ(window.manager.GetOwner(), &window);

    ASSERT_EQ(CQVSkinFonts::Count(), 3);
    const tagQVFontRecord* pFont = CQVSkinFonts::Find(6);
    ASSERT_NE(pFont, nullptr);
    EXPECT_EQ(pFont->nSize, 17);
    EXPECT_EQ(pFont->bBold, 1);
    EXPECT_EQ(pFont->bItalic, 1);
    EXPECT_EQ(pFont->bUnderline, 1);
    EXPECT_EQ(pFont->clrNormal, 255u);
    EXPECT_EQ(pFont->szFaceName, QStringLiteral("Liberation Serif"));
    const tagQVFontRecord* pDefaults = CQVSkinFonts::Find(3);
    ASSERT_NE(pDefaults, nullptr);
    EXPECT_EQ(pDefaults->szFaceName, QStringLiteral("Arial"));
    EXPECT_EQ(CQVSkinFonts::ToolTipFontId(), 6);
    EXPECT_EQ(CQVSkinFonts::ToolTipBackground(), base + "strip.png");

    // The check box has no class yet and the unknown element is no control.
    ASSERT_EQ(window.manager.GetCount(), 3);
    CQVButton* pButton = window.manager.Find(44, kKindButton);
    ASSERT_NE(pButton, nullptr);
    EXPECT_EQ(pButton->GetRect(), QRect(5, 6, 20, 16));
    EXPECT_EQ(pButton->GetStripLayout(), 2);
    EXPECT_EQ(pButton->GetFontId(), 3) << "skin controls keep their own font id";
    ASSERT_NE(pButton->GetImage(), nullptr);
    EXPECT_EQ(pButton->GetImage()->size(), QSize(64, 16));
    EXPECT_EQ(pButton->GetToolTipText(), QStringLiteral("First line\nSecond line"));
    QString text;
    pButton->GetText(text);
    EXPECT_EQ(text, QStringLiteral("Hello"));
    EXPECT_EQ(pButton->GetOwner(), &window);
    EXPECT_EQ(pButton->GetManager(), &window.manager);

    CQVButton* pStatic = window.manager.Find(45, kKindStatic);
    ASSERT_NE(pStatic, nullptr);
    EXPECT_NE(dynamic_cast<CQVStatic*>(pStatic), nullptr);
    EXPECT_EQ(pStatic->GetFontId(), 0) << "an absent attribute leaves the default";
    CQVButton* pNoImage = window.manager.Find(48, kKindButton);
    ASSERT_NE(pNoImage, nullptr);
    EXPECT_EQ(pNoImage->GetImage(), nullptr);
    EXPECT_EQ(pNoImage->GetRect(), QRect(0, 0, 0, 0));
}

TEST_F(SkinLoaderTest, OnlyTheFirstBackgroundIsTakenAndRegisteredClassesAreMade)
{
    ASSERT_TRUE(WriteText(folder.filePath("skin.xml"), R"(<skin>
  <background>strip.png</background>
  <background>missing.png</background>
  <check id="7" x="1" y="1" width="9" height="9" state="1"/>
</skin>)"));
    CQVSkinLoader::RegisterControlClass(kKindCheck,
                                        [](const QVSkinAttributes& attributes)
                                        {
                                            auto* pControl = new CQVButton();
                                            pControl->SetTextAlign(attributes.count("state") ? 0
                                                                                             : 1);
                                            return pControl;
                                        });
    EXPECT_TRUE(window.manager.LoadSkinFrom(&window, base, "skin.xml"));
    CQVSkinLoader::RegisterControlClass(kKindCheck, nullptr);
    EXPECT_TRUE(window.manager.HasBackgroundImage());
    CQVButton* pCheck = window.manager.Find(7, kKindCheck);
    ASSERT_NE(pCheck, nullptr);
    EXPECT_EQ(pCheck->GetTextAlign(), 0);
    EXPECT_EQ(pCheck->GetStripLayout(), 1);
    // The background covers the window in the composite.
    EXPECT_EQ(window.manager.Composite().pixelColor(150, 100), QColor(Qt::cyan));
}

TEST_F(SkinLoaderTest, MissingFileBrokenFileOrDeadWindowLoadNothing)
{
    EXPECT_FALSE(window.manager.LoadSkinFrom(&window, base, "absent.xml"));
    ASSERT_TRUE(WriteText(folder.filePath("broken.xml"), "<skin><font id=\"1\"></sk"));
    EXPECT_FALSE(window.manager.LoadSkinFrom(&window, base, "broken.xml"));
    EXPECT_EQ(window.manager.GetCount(), 0);
    EXPECT_EQ(CQVSkinFonts::Count(), 0);

    ASSERT_TRUE(WriteText(folder.filePath("skin.xml"), "<skin><font id=\"1\"/></skin>"));
    CSkinWindow closed;
    EXPECT_FALSE(closed.manager.LoadSkinFrom(&closed, base, "skin.xml"));
    EXPECT_FALSE(closed.manager.LoadSkinFrom(nullptr, base, "skin.xml"));
    EXPECT_EQ(CQVSkinFonts::Count(), 0);
}

TEST(SkinPaths, BackslashesBecomeSlashesAndLineBreaksExpand)
{
    EXPECT_EQ(CQVSkinLoader::JoinPath("/p/", "skin\\btn\\a.png"), "/p/skin/btn/a.png");
    EXPECT_EQ(CQVSkinLoader::ExpandLineBreaks("a\\r\\nb\\r\\n"), "a\nb\n");
    EXPECT_EQ(CQVSkinLoader::ExpandLineBreaks("a\\rb\\n\\r"), "a\\rb\\n\\r");
    EXPECT_EQ(CQVSkinLoader::KindOfElement("listctrl"), 14);
    EXPECT_EQ(CQVSkinLoader::KindOfElement("font"), -1);
}

TEST(ThemeFile, TheSelectedThemeReplacesTheColours)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("UIColors.uic");
    ASSERT_TRUE(WriteText(path, R"(<UIColors selID="2">
  <theme nID="1" clrDlgBK="1" clrDlgEdge="1" clrCtrlBK="1" clrText="1"/>
  <theme nID="2" clrDlgBK="3287848" clrDlgEdge="7036246" clrCtrlBK="4405814" clrText="15393502"/>
</UIColors>)"));
    CQVTheme::ResetToBuiltIn();
    EXPECT_EQ(CQVTheme::Colors().clrText, QVRGB(200, 0, 0));
    ASSERT_TRUE(CQVTheme::LoadFile(path.toStdString()));
    EXPECT_EQ(CQVTheme::Colors().clrDlgBK, QVRGB(40, 43, 50));
    EXPECT_EQ(CQVTheme::Colors().clrText, QVRGB(222, 226, 234));
    EXPECT_EQ(CQVTheme::Colors().clrText2, QVRGB(236, 143, 9)) << "absent: built-in kept";

    ASSERT_TRUE(WriteText(path, R"(<UIColors selID="5"><theme nID="1" clrText="1"/></UIColors>)"));
    EXPECT_FALSE(CQVTheme::LoadFile(path.toStdString()));
    EXPECT_EQ(CQVTheme::Colors().clrText, QVRGB(222, 226, 234));
    EXPECT_FALSE(CQVTheme::LoadFile(folder.filePath("none.uic").toStdString()));
    CQVTheme::ResetToBuiltIn();

    EXPECT_EQ(CQVTheme::Shift(QVRGB(250, 10, 100), 30), QVRGB(255, 40, 130));
    EXPECT_EQ(CQVTheme::Shift(QVRGB(250, 10, 100), -30), QVRGB(220, 0, 70));
}

TEST(ThemeFile, TheShippedThemeAndSkinLoad)
{
    CQVTheme::ResetToBuiltIn();
    ASSERT_TRUE(CQVTheme::LoadFile(ProgramPath("skin/uicolors/UIColors.uic")));
    EXPECT_NE(CQVTheme::Colors().clrText, QVRGB(200, 0, 0));
    CQVTheme::ResetToBuiltIn();
    CSkinWindow window;
    ASSERT_TRUE(window.CreateWindowEx(nullptr, 100, 100));
    ASSERT_TRUE(window.manager.LoadSkin(&window, "skin/mainwnd.xml"));
    for (int nId : {1, 2, 3, 6})
        EXPECT_NE(CQVSkinFonts::Find(nId), nullptr) << "font " << nId;
    EXPECT_EQ(window.manager.GetCount(), 0) << "the shared skin adds no controls to every dialog";
    EXPECT_FALSE(QImage(QString::fromStdString(CQVSkinFonts::ToolTipBackground())).isNull());
}
