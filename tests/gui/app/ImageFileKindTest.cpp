#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <string>

#include "text/TextKind.h"

namespace kesto {
namespace {

// What the window's own toolkit writes for images is no text to rewrite.
TEST(ImageFileKindTest, APngWrittenByQtIsBinary) {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::white);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "PNG"));
    EXPECT_EQ(KindOfText(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()))),
              TextKind::Binary);
}

}  // namespace
}  // namespace kesto
