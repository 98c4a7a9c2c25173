#include "swf/script/builtins/loading.h"

#include "swf/script/host.h"
#include "swf/script/string_util.h"
#include "common/utf8.h"

#include <QByteArray>
#include <QStringDecoder>

namespace swf::script {

namespace {

std::string toUtf8(QStringDecoder& decoder, const std::string& bytes, std::size_t skip)
{
    const QString text = decoder.decode(QByteArrayView(bytes.data() + skip, qsizetype(bytes.size() - skip)));
    return text.toStdString();
}

} // namespace

std::string decodeLoadedText(Interpreter& in, const std::string& bytes)
{
    auto starts = [&](std::initializer_list<unsigned char> mark) {
        if (bytes.size() < mark.size())
            return false;
        std::size_t i = 0;
        for (unsigned char c : mark) {
            if (static_cast<unsigned char>(bytes[i++]) != c)
                return false;
        }
        return true;
    };
    // SWF 5 knew no Unicode: its movies read every file in the code page.
    const Value system = in.getMember(in.global(), "System");
    const bool codepage = in.swfVersion() <= 5
        || (system.isObject() && in.toBoolean(in.getMember(system, "useCodepage")));
    std::string text;
    if (codepage) {
        QStringDecoder decoder("GB18030");
        text = decoder.isValid() ? toUtf8(decoder, bytes, 0) : bytes;
    } else if (starts({0xEF, 0xBB, 0xBF})) {
        text = veskor::encodeUtf8(veskor::decodeUtf8(std::string_view(bytes).substr(3)));
    } else if (starts({0xFE, 0xFF})) {
        QStringDecoder decoder(QStringConverter::Utf16BE, QStringConverter::Flag::Stateless);
        text = toUtf8(decoder, bytes, 2);
    } else if (starts({0xFF, 0xFE})) {
        QStringDecoder decoder(QStringConverter::Utf16LE, QStringConverter::Flag::Stateless);
        text = toUtf8(decoder, bytes, 2);
    } else {
        // Text in another encoding decodes as the player decoded it, not as
        // replacement characters.
        text = veskor::encodeUtf8(veskor::decodeUtf8(bytes));
    }
    const std::size_t nul = text.find('\0');
    if (nul != std::string::npos)
        text.resize(nul);
    return text;
}

bool startLoad(Interpreter& in, Object* target, const std::string& url)
{
    in.setMember(target, "loaded", false);
    in.setMember(target, "_bytesLoaded", 0);
    in.setMember(target, "_bytesTotal", Value());
    return loadTextInto(in, url, target);
}

void postText(Interpreter& in, Object* self, const std::string& url, const Value& method)
{
    if (!self || (method.isString() && asciiLower(method.asString()) == "get"))
        return;
    const std::string body = in.toString(in.callMethod(self, "toString", {}));
    const std::string contentType = in.toString(in.getMember(self, "contentType"));
    if (!in.throwing())
        in.host().sendRequest({url, "POST", contentType, body, false});
}

Value addRequestHeader(Interpreter& in, Object* self, const std::vector<Value>& args)
{
    if (!self)
        return Value();
    // The list of headers is made at the first call, whatever it is given.
    // The list made here is out of a SWF 5 movie's sight: it stays empty
    // there, while a list the movie set itself hears the pushes.
    if (in.getMember(self, "_customHeaders").isUndefined()) {
        self->put("_customHeaders", in.construct(in.getMember(in.global(), "Array"), {}),
                  PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::Version6);
    }
    if (args.empty())
        return Value();
    // One name and value, or an array of them in turn: pairs of anything
    // but two strings are left out.
    std::vector<Value> items;
    if (Object* list = args[0].asObject(); list && list->objectClass() == ObjectClass::Array)
        items = in.arrayItems(list);
    else if (args.size() >= 2)
        items = {args[0], args[1]};
    std::vector<Value> pairs;
    for (std::size_t i = 0; i + 1 < items.size(); i += 2) {
        if (items[i].isString() && items[i + 1].isString()) {
            pairs.push_back(items[i]);
            pairs.push_back(items[i + 1]);
        }
    }
    const Value headers = in.getMember(self, "_customHeaders");
    for (std::size_t i = 0; i < pairs.size(); i += 2)
        in.callMethod(headers, "push", {pairs[i], pairs[i + 1]});
    return Value();
}

bool loadTextInto(Interpreter& in, const std::string& url, Object* target)
{
    if (!target)
        return false;
    if (!in.host().readsFiles()) {
        in.addTimer(target, Value(), "onData", {Value()}, 1, false);
        return true;
    }
    Interpreter* vm = &in;
    return in.host().loadFile(in.runningClip(), url, target, false, [vm, target](const std::optional<std::string>& bytes) {
        if (!bytes) {
            vm->callMethodFromHost(target, "onData", {Value()});
            return;
        }
        const double size = double(bytes->size());
        vm->setMember(target, "_bytesLoaded", size);
        vm->setMember(target, "_bytesTotal", size);
        vm->callMethodFromHost(target, "onData", {Value(decodeLoadedText(*vm, *bytes))});
    });
}

} // namespace swf::script
