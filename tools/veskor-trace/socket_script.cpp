#include "socket_script.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace veskor::tools {

using swf::runtime::SocketStep;

namespace {

// A list of byte values; nothing when an entry is not a number from 0 to 255.
std::optional<std::string> bytesOf(const QJsonValue& value)
{
    if (!value.isArray())
        return std::nullopt;
    std::string bytes;
    for (const QJsonValue& entry : value.toArray()) {
        const double number = entry.toDouble(-1);
        if (!entry.isDouble() || number < 0 || number > 255 || number != int(number))
            return std::nullopt;
        bytes.push_back(char(int(number)));
    }
    return bytes;
}

} // namespace

Result<std::vector<SocketStep>> parseSocketScript(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return makeError("not JSON: " + error.errorString().toStdString());
    if (!document.isArray())
        return makeError("not a list of steps");
    std::vector<SocketStep> steps;
    int index = 0;
    for (const QJsonValue& entry : document.array()) {
        ++index;
        const QJsonObject object = entry.toObject();
        const QString type = object.value("type").toString();
        SocketStep step;
        std::optional<std::string> bytes;
        if (type == "Receive") {
            step.kind = SocketStep::Kind::Receive;
            bytes = bytesOf(object.value("expected"));
        } else if (type == "Send") {
            step.kind = SocketStep::Kind::Send;
            bytes = bytesOf(object.value("payload"));
        } else if (type == "Disconnect") {
            step.kind = SocketStep::Kind::Close;
            bytes = std::string();
        } else if (type == "WaitForDisconnect") {
            step.kind = SocketStep::Kind::AwaitClose;
            bytes = std::string();
        } else {
            return makeError("step " + std::to_string(index) + ": unknown type \"" + type.toStdString() + "\"");
        }
        if (!bytes)
            return makeError("step " + std::to_string(index) + ": its bytes are not a list of numbers 0 to 255");
        step.bytes = std::move(*bytes);
        steps.push_back(std::move(step));
    }
    return steps;
}

Result<std::vector<SocketStep>> readSocketScript(const std::filesystem::path& path)
{
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::ReadOnly))
        return makeError("cannot read: " + file.errorString().toStdString());
    if (file.size() > kMaxSocketScriptBytes)
        return makeError("larger than " + std::to_string(kMaxSocketScriptBytes >> 20) + " MB");
    return parseSocketScript(file.read(kMaxSocketScriptBytes + 1));
}

} // namespace veskor::tools
