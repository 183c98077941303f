// SPDX-License-Identifier: MIT
// The station's pictures come from the resources and need Qt's image plugins and a font with
// Chinese glyphs on the station PC.
#include <QFontDatabase>
#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

#include <ostream>

namespace {

TEST(Pictures, JpegAndGifPluginsArePresent) {
    const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    EXPECT_TRUE(formats.contains("jpeg")) << "Qt's JPEG image plugin is missing";
    EXPECT_TRUE(formats.contains("gif")) << "Qt's GIF image plugin is missing";
}

struct Picture {
    const char* path;
    const char* format;
    QSize size;
};

void PrintTo(const Picture& p, std::ostream* os) {
    *os << p.path;
}

class PicturesDecode : public ::testing::TestWithParam<Picture> {};

TEST_P(PicturesDecode, FromTheResourcesInTheirSize) {
    QImageReader reader(GetParam().path);
    const QByteArray format = reader.format();
    const QImage image = reader.read();
    ASSERT_FALSE(image.isNull()) << GetParam().path << ": " << reader.errorString().toStdString();
    EXPECT_EQ(format, QByteArray(GetParam().format));
    EXPECT_EQ(image.size(), GetParam().size);
}

INSTANTIATE_TEST_SUITE_P(Pictures, PicturesDecode,
                         ::testing::Values(Picture{":/pictures/logo.jpg", "jpeg", {200, 66}},
                                           Picture{":/pictures/lang_eng.png", "png", {63, 14}},
                                           Picture{":/pictures/lang_cht.png", "png", {63, 14}},
                                           Picture{":/pictures/lang_chs.png", "png", {63, 14}},
                                           Picture{":/pictures/nodevice.png", "png", {50, 50}},
                                           Picture{":/pictures/connected.png", "png", {50, 50}},
                                           Picture{":/pictures/binding.gif", "gif", {50, 50}},
                                           Picture{":/pictures/next_unit.png", "png", {200, 56}},
                                           Picture{":/pictures/kbd_bind.png", "png", {200, 56}}));

TEST(Pictures, AFontWithChineseGlyphsIsInstalled) {
    EXPECT_FALSE(QFontDatabase::families(QFontDatabase::TraditionalChinese).isEmpty())
        << "install a CJK font (fonts-wqy-microhei)";
    EXPECT_FALSE(QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty())
        << "install a CJK font (fonts-wqy-microhei)";
}

} // namespace
