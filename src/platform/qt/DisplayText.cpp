#include "platform/qt/DisplayText.h"

#include <QByteArrayView>
#include <QStringDecoder>

namespace kesto {

QString DisplayText(std::string_view bytes) {
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(view);
    if (utf8.hasError()) return QString::fromLatin1(view);
    return text;
}

std::string TypedBytes(const QString& text) {
    return text.toStdString();
}

}  // namespace kesto
