#include "app/DBusPlistConverter.h"

#include "platform/Utf8.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusSignature>
#include <QDBusVariant>
#include <QStringList>
#include <QVariantList>

using platform::PlistValue;

namespace {

std::optional<QString> toQString(const std::string& text) {
    if (text.find('\0') != std::string::npos || !platform::Utf8::isValid(text))
        return std::nullopt;
    return QString::fromStdString(text);
}

} // namespace

std::optional<QVariant> DBusPlistConverter::toVariant(const PlistValue& value) {
    return toVariant(value, 0);
}

std::optional<QVariantMap> DBusPlistConverter::toVariantMap(const PlistValue& dictionary) {
    if (!dictionary.asDictionary())
        return std::nullopt;
    std::optional<QVariant> converted = toVariant(dictionary, 0);
    if (!converted)
        return std::nullopt;
    return converted->toMap();
}

std::optional<QVariant> DBusPlistConverter::toVariant(const PlistValue& value, int depth) {
    if (depth > kMaxDepth)
        return std::nullopt;
    switch (value.kind()) {
    case PlistValue::Kind::Null:
        return std::nullopt;
    case PlistValue::Kind::Dictionary: {
        QVariantMap map;
        for (const auto& [key, item] : *value.asDictionary()) {
            std::optional<QString> name = toQString(key);
            std::optional<QVariant> converted = toVariant(item, depth + 1);
            if (!name || !converted)
                return std::nullopt;
            map.insert(*name, *converted);
        }
        return QVariant(map);
    }
    case PlistValue::Kind::Array: {
        QVariantList list;
        for (const PlistValue& item : *value.asArray()) {
            std::optional<QVariant> converted = toVariant(item, depth + 1);
            if (!converted)
                return std::nullopt;
            list.append(*converted);
        }
        return QVariant(list);
    }
    case PlistValue::Kind::String: {
        std::optional<QString> text = toQString(*value.asString());
        if (!text)
            return std::nullopt;
        return QVariant(*text);
    }
    case PlistValue::Kind::Integer:
        return QVariant(static_cast<qlonglong>(*value.asInteger()));
    case PlistValue::Kind::Real:
        return QVariant(*value.asReal());
    case PlistValue::Kind::Boolean:
        return QVariant(*value.asBoolean());
    case PlistValue::Kind::Data: {
        const PlistValue::Data& bytes = *value.asData();
        return QVariant(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                   static_cast<qsizetype>(bytes.size())));
    }
    case PlistValue::Kind::Date:
        return QVariant(*value.asDate());
    case PlistValue::Kind::Uid:
        return QVariant(static_cast<qulonglong>(*value.asUid()));
    }
    return std::nullopt;
}

std::optional<PlistValue> DBusPlistConverter::fromVariant(const QVariant& value) {
    return fromVariant(value, 0);
}

PlistValue DBusPlistConverter::dictionaryFromArgument(const QVariant& argument) {
    std::optional<PlistValue> converted = fromVariant(argument, 0);
    if (converted && converted->asDictionary())
        return *converted;
    return PlistValue(PlistValue::Dictionary{});
}

std::optional<PlistValue> DBusPlistConverter::fromVariant(const QVariant& value, int depth) {
    if (depth > kMaxDepth)
        return std::nullopt;
    const int type = value.metaType().id();
    switch (type) {
    case QMetaType::Bool:
        return PlistValue(value.toBool());
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return PlistValue(value.toLongLong());
    case QMetaType::ULongLong:
        return PlistValue(value.toULongLong());
    case QMetaType::Double:
        return PlistValue(value.toDouble());
    case QMetaType::QString:
        return PlistValue(value.toString().toStdString());
    case QMetaType::QByteArray: {
        QByteArray bytes = value.toByteArray();
        return PlistValue(PlistValue::Data(bytes.begin(), bytes.end()));
    }
    case QMetaType::QStringList: {
        PlistValue::Array items;
        for (const QString& text : value.toStringList())
            items.emplace_back(text.toStdString());
        return PlistValue(std::move(items));
    }
    case QMetaType::QVariantList: {
        PlistValue::Array items;
        for (const QVariant& item : value.toList()) {
            if (std::optional<PlistValue> converted = fromVariant(item, depth + 1))
                items.push_back(std::move(*converted));
        }
        return PlistValue(std::move(items));
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        PlistValue::Dictionary entries;
        for (auto entry = map.begin(); entry != map.end(); ++entry) {
            if (std::optional<PlistValue> converted = fromVariant(entry.value(), depth + 1))
                entries[entry.key().toStdString()] = std::move(*converted);
        }
        return PlistValue(std::move(entries));
    }
    default:
        break;
    }
    if (type == qMetaTypeId<QDBusVariant>())
        return fromVariant(value.value<QDBusVariant>().variant(), depth + 1);
    if (type == qMetaTypeId<QDBusObjectPath>())
        return PlistValue(value.value<QDBusObjectPath>().path().toStdString());
    if (type == qMetaTypeId<QDBusSignature>())
        return PlistValue(value.value<QDBusSignature>().signature().toStdString());
    if (type == qMetaTypeId<QDBusArgument>())
        return fromArgument(value.value<QDBusArgument>(), depth + 1);
    return std::nullopt;
}

std::optional<PlistValue> DBusPlistConverter::fromArgument(const QDBusArgument& argument,
                                                           int depth) {
    if (depth > kMaxDepth)
        return std::nullopt;
    switch (argument.currentType()) {
    case QDBusArgument::BasicType:
    case QDBusArgument::VariantType:
        return fromVariant(argument.asVariant(), depth + 1);
    case QDBusArgument::ArrayType:
    case QDBusArgument::StructureType: {
        const bool isArray = argument.currentType() == QDBusArgument::ArrayType;
        if (isArray)
            argument.beginArray();
        else
            argument.beginStructure();
        PlistValue::Array items;
        while (!argument.atEnd()) {
            if (std::optional<PlistValue> item = fromVariant(argument.asVariant(), depth + 1))
                items.push_back(std::move(*item));
        }
        if (isArray)
            argument.endArray();
        else
            argument.endStructure();
        return PlistValue(std::move(items));
    }
    case QDBusArgument::MapType: {
        argument.beginMap();
        PlistValue::Dictionary entries;
        while (!argument.atEnd()) {
            argument.beginMapEntry();
            std::optional<PlistValue> key = fromVariant(argument.asVariant(), depth + 1);
            std::optional<PlistValue> item = fromVariant(argument.asVariant(), depth + 1);
            argument.endMapEntry();
            if (!key || !item)
                continue;
            if (const std::string* text = key->asString())
                entries[*text] = std::move(*item);
            else if (std::optional<std::int64_t> number = key->asInteger())
                entries[std::to_string(*number)] = std::move(*item);
        }
        argument.endMap();
        return PlistValue(std::move(entries));
    }
    default:
        return std::nullopt;
    }
}
