#include "platform/posix/WineRegistryFile.h"

#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace veridon {

struct WineRegistryFile::Block
{
    enum class Kind
    {
        Time,  // "#time=" line, written afresh for changed keys
        Value, // a value with the lines it was read from
        Raw,   // anything else, carried through as read
    };
    struct Item
    {
        Kind kind = Kind::Raw;
        QByteArray raw;
        RegValue value;
        bool changed = false;
    };

    QStringList path;
    QByteArray leading; // blank lines before the header
    QByteArray header;
    std::vector<Item> items;
    bool dirty = false;
    quint64 time = 0;
};

struct WineRegistryFile::Node
{
    QString name;
    std::map<QString, std::unique_ptr<Node>> children; // by upper-case name
    std::vector<Block*> blocks;                         // normally one; none for implicit keys
};

namespace {

constexpr quint64 kTicksFrom1601To1970 = 116444736000000000ULL;
constexpr quint64 kTicksPerSecond = 10000000ULL;

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return c - 'A' + 10;
}

bool isBlank(const QByteArray& line)
{
    for (char c : line)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return false;
    return true;
}

// Only whitespace from `pos` to the end of the line.
bool restIsBlank(const QByteArray& line, qsizetype pos)
{
    for (; pos < line.size(); ++pos)
        if (line[pos] != ' ' && line[pos] != '\t' && line[pos] != '\r' && line[pos] != '\n')
            return false;
    return true;
}

// Reads an escaped string from `pos` up to the unescaped `close` character, which
// is consumed. Returns false for a string that is not closed or holds an escape
// the wineserver never writes.
bool parseEscaped(const QByteArray& line, qsizetype& pos, char close, QString& out)
{
    out.clear();
    const qsizetype end = line.size();
    while (pos < end) {
        const char c = line[pos];
        if (c == close) {
            ++pos;
            return true;
        }
        if (c == '\n')
            return false;
        if (static_cast<unsigned char>(c) >= 0x80) {
            qsizetype runEnd = pos;
            while (runEnd < end && static_cast<unsigned char>(line[runEnd]) >= 0x80)
                ++runEnd;
            out += QString::fromUtf8(line.constData() + pos, runEnd - pos);
            pos = runEnd;
            continue;
        }
        if (c != '\\') {
            out += QLatin1Char(c);
            ++pos;
            continue;
        }
        if (++pos >= end)
            return false;
        const char e = line[pos++];
        switch (e) {
        case '\\':
        case '"':
        case '[':
        case ']':
            out += QLatin1Char(e);
            break;
        case 'a':
            out += QChar(7);
            break;
        case 'b':
            out += QChar(8);
            break;
        case 'e':
            out += QChar(27);
            break;
        case 'f':
            out += QChar(12);
            break;
        case 'n':
            out += QChar(10);
            break;
        case 'r':
            out += QChar(13);
            break;
        case 't':
            out += QChar(9);
            break;
        case 'v':
            out += QChar(11);
            break;
        case 'x': {
            int unit = 0;
            int digits = 0;
            while (digits < 4 && pos < end && isHexDigit(line[pos])) {
                unit = unit * 16 + hexValue(line[pos++]);
                ++digits;
            }
            if (digits == 0)
                return false;
            out += QChar(char16_t(unit));
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                int unit = e - '0';
                for (int digits = 1; digits < 3 && pos < end && line[pos] >= '0' && line[pos] <= '7';
                     ++digits)
                    unit = unit * 8 + (line[pos++] - '0');
                out += QChar(char16_t(unit));
                break;
            }
            return false;
        }
    }
    return false;
}

// Writes text the way the wineserver does: characters above 127 as \x escapes,
// control characters as C or octal escapes, "\" and the two `escape` characters
// preceded by "\". Returns the number of characters written.
int dumpString(QStringView text, QByteArray& out, const char escape[2])
{
    static const char kEscapes[33] = ".......abtnvfr.............e....";
    const qsizetype before = out.size();
    char buffer[16];
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool hasNext = i + 1 < text.size();
        const char16_t next = hasNext ? text[i + 1].unicode() : 0;
        if (c > 127) {
            if (hasNext && next < 128 && isHexDigit(char(next)))
                std::snprintf(buffer, sizeof buffer, "\\x%04x", unsigned(c));
            else
                std::snprintf(buffer, sizeof buffer, "\\x%x", unsigned(c));
            out += buffer;
            continue;
        }
        if (c < 32) {
            if (kEscapes[c] != '.') {
                out += '\\';
                out += kEscapes[c];
            } else if (hasNext && next >= '0' && next <= '7') {
                std::snprintf(buffer, sizeof buffer, "\\%03o", unsigned(c));
                out += buffer;
            } else {
                std::snprintf(buffer, sizeof buffer, "\\%o", unsigned(c));
                out += buffer;
            }
            continue;
        }
        if (c == '\\' || c == char16_t(escape[0]) || c == char16_t(escape[1]))
            out += '\\';
        out += char(c);
    }
    return int(out.size() - before);
}

QByteArray utf16Data(const QString& text)
{
    QByteArray bytes((text.size() + 1) * 2, '\0');
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text[i].unicode(), bytes.data() + 2 * i);
    return bytes;
}

bool parseHexNumber(const QByteArray& line, qsizetype& pos, int maxDigits, quint32& value)
{
    value = 0;
    int digits = 0;
    while (digits < maxDigits && pos < line.size() && isHexDigit(line[pos])) {
        value = value * 16 + quint32(hexValue(line[pos++]));
        ++digits;
    }
    return digits > 0;
}

int compareNames(const QString& a, const QString& b)
{
    return QString::compare(a.toUpper(), b.toUpper(), Qt::CaseSensitive);
}

int comparePaths(const QStringList& a, const QStringList& b)
{
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i)
        if (const int c = compareNames(a[i], b[i]))
            return c;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool isUnder(const QStringList& path, const QStringList& key)
{
    if (path.size() < key.size())
        return false;
    for (qsizetype i = 0; i < key.size(); ++i)
        if (compareNames(path[i], key[i]) != 0)
            return false;
    return true;
}

// A key header "[escaped\\path] seconds"; the path's "\\" separates components.
bool parseHeader(const QByteArray& line, QStringList& path)
{
    if (line.isEmpty() || line[0] != '[')
        return false;
    qsizetype pos = 1;
    QString text;
    if (!parseEscaped(line, pos, ']', text))
        return false;
    path.clear();
    for (const QString& part : text.split(QLatin1Char('\\'), Qt::SkipEmptyParts))
        path.append(part);
    return true;
}

// The value that starts on lines[index]; `used` tells how many lines it took.
bool parseValue(const std::vector<QByteArray>& lines, size_t index, RegValue& value, size_t& used)
{
    const QByteArray& line = lines[index];
    qsizetype pos = 0;
    if (line.startsWith('@')) {
        value.name.clear();
        pos = 1;
    } else {
        pos = 1;
        if (!parseEscaped(line, pos, '"', value.name))
            return false;
    }
    if (pos >= line.size() || line[pos] != '=')
        return false;
    ++pos;
    used = 1;
    const QByteArray rest = line.mid(pos);
    if (rest.startsWith('"') || rest.startsWith("str(")) {
        quint32 type = RegType::String;
        if (rest.startsWith("str(")) {
            pos += 4;
            if (!parseHexNumber(line, pos, 8, type) || !line.mid(pos).startsWith("):"))
                return false;
            pos += 2;
            if (pos >= line.size() || line[pos] != '"')
                return false;
        }
        ++pos;
        QString text;
        if (!parseEscaped(line, pos, '"', text) || !restIsBlank(line, pos))
            return false;
        value.type = type;
        value.data = utf16Data(text);
        return true;
    }
    if (rest.startsWith("dword:")) {
        pos += 6;
        quint32 number = 0;
        if (!parseHexNumber(line, pos, 8, number) || !restIsBlank(line, pos))
            return false;
        value = RegValue::fromDword(value.name, number);
        return true;
    }
    quint32 type = RegType::Binary;
    if (rest.startsWith("hex:")) {
        pos += 4;
    } else if (rest.startsWith("hex(")) {
        pos += 4;
        if (!parseHexNumber(line, pos, 8, type) || !line.mid(pos).startsWith("):"))
            return false;
        pos += 2;
    } else {
        return false;
    }
    QByteArray data;
    const QByteArray* current = &line;
    for (;;) {
        while (pos < current->size() && isHexDigit(current->at(pos))) {
            quint32 byte = 0;
            parseHexNumber(*current, pos, 2, byte);
            data += char(byte);
            if (pos < current->size() && current->at(pos) == ',')
                ++pos;
            else
                break;
        }
        if (pos < current->size() && current->at(pos) == '\\' && restIsBlank(*current, pos + 1)) {
            // Continued on the next line, indented.
            if (index + used >= lines.size())
                return false;
            current = &lines[index + used];
            ++used;
            pos = 0;
            while (pos < current->size() && (current->at(pos) == ' ' || current->at(pos) == '\t'))
                ++pos;
            continue;
        }
        if (!restIsBlank(*current, pos))
            return false;
        break;
    }
    value.type = type;
    value.data = data;
    return true;
}

QByteArray formatHeader(const QStringList& path, quint64 time)
{
    QByteArray out("[");
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (i)
            out += "\\\\";
        dumpString(path[i], out, "[]");
    }
    const quint64 seconds = time > kTicksFrom1601To1970
                                ? (time - kTicksFrom1601To1970) / kTicksPerSecond
                                : 0;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "] %u\n#time=%x%08x\n", unsigned(seconds),
                  unsigned(time >> 32), unsigned(time & 0xffffffffU));
    out += buffer;
    return out;
}

} // namespace

WineRegistryFile::WineRegistryFile() : m_root(std::make_unique<Node>()) {}
WineRegistryFile::~WineRegistryFile() = default;
WineRegistryFile::WineRegistryFile(WineRegistryFile&&) noexcept = default;
WineRegistryFile& WineRegistryFile::operator=(WineRegistryFile&&) noexcept = default;

QByteArray WineRegistryFile::formatValue(const RegValue& value)
{
    QByteArray out;
    int count = 0;
    if (value.name.isEmpty()) {
        out += "@=";
        count = 2;
    } else {
        out += '"';
        count = 1 + dumpString(value.name, out, "\"\"");
        out += "\"=";
        count += 2;
    }
    const qsizetype units = value.data.size() / 2;
    switch (value.type) {
    case RegType::String:
    case RegType::ExpandString:
    case RegType::MultiString:
        // Only properly terminated strings are written as text.
        if (value.data.size() >= 2 && value.data.size() % 2 == 0 &&
            qFromLittleEndian<quint16>(value.data.constData() + 2 * (units - 1)) == 0) {
            if (value.type != RegType::String) {
                char buffer[32];
                std::snprintf(buffer, sizeof buffer, "str(%x):", unsigned(value.type));
                out += buffer;
            }
            QString text(units - 1, Qt::Uninitialized);
            for (qsizetype i = 0; i < units - 1; ++i)
                text[i] = QChar(qFromLittleEndian<quint16>(value.data.constData() + 2 * i));
            out += '"';
            dumpString(text, out, "\"\"");
            out += "\"\n";
            return out;
        }
        break;
    case RegType::Dword:
        if (value.data.size() == 4) {
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "dword:%08x\n",
                          unsigned(qFromLittleEndian<quint32>(value.data.constData())));
            out += buffer;
            return out;
        }
        break;
    default:
        break;
    }
    char buffer[32];
    if (value.type == RegType::Binary)
        std::snprintf(buffer, sizeof buffer, "hex:");
    else
        std::snprintf(buffer, sizeof buffer, "hex(%x):", unsigned(value.type));
    out += buffer;
    count += int(std::strlen(buffer));
    for (qsizetype i = 0; i < value.data.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, "%02x", unsigned(uchar(value.data[i])));
        out += buffer;
        count += 2;
        if (i < value.data.size() - 1) {
            out += ',';
            if (++count > 76) {
                out += "\\\n  ";
                count = 2;
            }
        }
    }
    out += '\n';
    return out;
}

WineRegistryFile WineRegistryFile::parse(const QByteArray& text)
{
    WineRegistryFile file;
    std::vector<QByteArray> lines;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf('\n', start);
        end = end < 0 ? text.size() : end + 1;
        lines.push_back(text.mid(start, end - start));
        start = end;
    }

    Block* block = nullptr;
    QByteArray pendingBlank;
    auto flushBlank = [&] {
        if (pendingBlank.isEmpty())
            return;
        if (block)
            block->items.push_back({Block::Kind::Raw, pendingBlank, {}, false});
        else
            file.m_preamble += pendingBlank;
        pendingBlank.clear();
    };

    for (size_t i = 0; i < lines.size();) {
        const QByteArray& line = lines[i];
        if (isBlank(line)) {
            pendingBlank += line;
            ++i;
            continue;
        }
        QStringList path;
        if (line.startsWith('[') && parseHeader(line, path)) {
            Block fresh;
            fresh.path = path;
            fresh.leading = pendingBlank;
            fresh.header = line;
            pendingBlank.clear();
            file.m_blocks.push_back(std::move(fresh));
            block = &file.m_blocks.back();
            file.indexBlock(block);
            ++i;
            continue;
        }
        flushBlank();
        if (!block) {
            static const QByteArray kRelative(";; All keys relative to ");
            if (line.startsWith(kRelative)) {
                QString relative = QString::fromUtf8(line.mid(kRelative.size())).trimmed();
                relative.replace(QLatin1String("\\\\"), QLatin1String("\\"));
                if (relative.startsWith(QLatin1String("REGISTRY\\")))
                    relative.remove(0, 9);
                while (relative.startsWith(QLatin1Char('\\')))
                    relative.remove(0, 1);
                file.m_relativeTo = relative;
            }
            file.m_preamble += line;
            ++i;
            continue;
        }
        if (line.startsWith('"') || line.startsWith('@')) {
            RegValue value;
            size_t used = 1;
            if (parseValue(lines, i, value, used)) {
                QByteArray raw;
                for (size_t k = 0; k < used; ++k)
                    raw += lines[i + k];
                block->items.push_back({Block::Kind::Value, raw, value, false});
                i += used;
                continue;
            }
        } else if (line.startsWith("#time=")) {
            block->items.push_back({Block::Kind::Time, line, {}, false});
            ++i;
            continue;
        }
        block->items.push_back({Block::Kind::Raw, line, {}, false});
        ++i;
    }
    flushBlank();
    return file;
}

QByteArray WineRegistryFile::serialize() const
{
    QByteArray out = m_preamble;
    for (const Block& block : m_blocks) {
        if (!out.isEmpty() && !out.endsWith('\n'))
            out += '\n';
        out += block.leading;
        if (!block.dirty) {
            out += block.header;
            for (const Block::Item& item : block.items)
                out += item.raw;
            continue;
        }
        out += formatHeader(block.path, block.time);
        for (const Block::Item& item : block.items) {
            if (item.kind == Block::Kind::Time)
                continue;
            out += (item.kind == Block::Kind::Value && item.changed) ? formatValue(item.value)
                                                                     : item.raw;
            if (!out.endsWith('\n'))
                out += '\n';
        }
    }
    return out;
}

void WineRegistryFile::indexBlock(Block* block)
{
    Node* node = makeNode(block->path);
    node->blocks.push_back(block);
}

WineRegistryFile::Node* WineRegistryFile::findNode(const QStringList& key) const
{
    Node* node = m_root.get();
    for (const QString& part : key) {
        const auto found = node->children.find(part.toUpper());
        if (found == node->children.end())
            return nullptr;
        node = found->second.get();
    }
    return node;
}

WineRegistryFile::Node* WineRegistryFile::makeNode(const QStringList& key)
{
    Node* node = m_root.get();
    for (const QString& part : key) {
        std::unique_ptr<Node>& child = node->children[part.toUpper()];
        if (!child) {
            child = std::make_unique<Node>();
            child->name = part;
        }
        node = child.get();
    }
    return node;
}

bool WineRegistryFile::keyExists(const QStringList& key) const
{
    return findNode(key) != nullptr;
}

QStringList WineRegistryFile::subkeys(const QStringList& key) const
{
    QStringList names;
    if (const Node* node = findNode(key))
        for (const auto& [upper, child] : node->children)
            names.append(child->name);
    return names;
}

QList<RegValue> WineRegistryFile::values(const QStringList& key) const
{
    QList<RegValue> result;
    const Node* node = findNode(key);
    if (!node)
        return result;
    // A key named twice in a file (hand edits): as when Wine loads it, a later
    // value of the same name replaces the earlier one.
    for (const Block* block : node->blocks)
        for (const Block::Item& item : block->items) {
            if (item.kind != Block::Kind::Value)
                continue;
            auto same = std::find_if(result.begin(), result.end(), [&](const RegValue& known) {
                return QString::compare(known.name, item.value.name, Qt::CaseInsensitive) == 0;
            });
            if (same == result.end())
                result.append(item.value);
            else
                *same = item.value;
        }
    return result;
}

std::optional<RegValue> WineRegistryFile::value(const QStringList& key, const QString& name) const
{
    const Node* node = findNode(key);
    if (!node)
        return std::nullopt;
    std::optional<RegValue> found;
    for (const Block* block : node->blocks)
        for (const Block::Item& item : block->items)
            if (item.kind == Block::Kind::Value &&
                QString::compare(item.value.name, name, Qt::CaseInsensitive) == 0)
                found = item.value;
    return found;
}

void WineRegistryFile::touch(Block* block, quint64 now)
{
    block->dirty = true;
    block->time = now;
}

QStringList WineRegistryFile::storedPath(const QStringList& key) const
{
    QStringList path;
    const Node* node = m_root.get();
    for (const QString& part : key) {
        if (node) {
            const auto found = node->children.find(part.toUpper());
            node = found == node->children.end() ? nullptr : found->second.get();
        }
        path.append(node ? node->name : part);
    }
    return path;
}

WineRegistryFile::Block* WineRegistryFile::ensureBlock(const QStringList& key, quint64 now)
{
    Node* node = makeNode(key);
    if (!node->blocks.empty())
        return node->blocks.front();
    const QStringList path = storedPath(key);
    Block fresh;
    fresh.path = path;
    fresh.leading = "\n";
    auto position = std::find_if(m_blocks.begin(), m_blocks.end(), [&](const Block& block) {
        return comparePaths(block.path, path) > 0;
    });
    Block& inserted = *m_blocks.insert(position, std::move(fresh));
    touch(&inserted, now);
    node->blocks.push_back(&inserted);
    return &inserted;
}

void WineRegistryFile::createKey(const QStringList& key, quint64 now)
{
    if (findNode(key))
        return;
    if (!key.isEmpty()) {
        const QStringList parent = key.mid(0, key.size() - 1);
        if (Node* parentNode = findNode(parent); parentNode && !parentNode->blocks.empty())
            touch(parentNode->blocks.front(), now);
    }
    ensureBlock(key, now);
}

void WineRegistryFile::setValue(const QStringList& key, const RegValue& value, quint64 now)
{
    createKey(key, now);
    Node* node = findNode(key);
    bool replaced = false;
    for (Block* block : node->blocks) {
        for (Block::Item& item : block->items) {
            if (item.kind == Block::Kind::Value &&
                QString::compare(item.value.name, value.name, Qt::CaseInsensitive) == 0) {
                const QString storedName = item.value.name;
                item.value = value;
                item.value.name = storedName;
                item.changed = true;
                touch(block, now);
                replaced = true;
            }
        }
    }
    if (replaced)
        return;
    Block* block = ensureBlock(key, now);
    touch(block, now);
    // New values go where the wineserver keeps them: sorted by name.
    auto position = block->items.end();
    for (auto it = block->items.begin(); it != block->items.end(); ++it) {
        if (it->kind == Block::Kind::Value && compareNames(it->value.name, value.name) > 0) {
            position = it;
            break;
        }
    }
    block->items.insert(position, {Block::Kind::Value, {}, value, true});
}

bool WineRegistryFile::deleteValue(const QStringList& key, const QString& name, quint64 now)
{
    Node* node = findNode(key);
    if (!node)
        return false;
    bool removed = false;
    for (Block* block : node->blocks) {
        const auto end = std::remove_if(block->items.begin(), block->items.end(),
                                        [&](const Block::Item& item) {
                                            return item.kind == Block::Kind::Value &&
                                                   QString::compare(item.value.name, name,
                                                                    Qt::CaseInsensitive) == 0;
                                        });
        if (end != block->items.end()) {
            block->items.erase(end, block->items.end());
            touch(block, now);
            removed = true;
        }
    }
    return removed;
}

bool WineRegistryFile::deleteKeyTree(const QStringList& key, quint64 now)
{
    if (key.isEmpty() || !findNode(key))
        return false;
    m_blocks.remove_if([&](const Block& block) { return isUnder(block.path, key); });
    const QStringList parentPath = key.mid(0, key.size() - 1);
    Node* parent = findNode(parentPath);
    parent->children.erase(key.last().toUpper());
    // The parent stays a key of its own even when nothing else in the file names it.
    if (!parentPath.isEmpty()) {
        if (parent->blocks.empty() && parent->children.empty())
            ensureBlock(parentPath, now);
        else if (!parent->blocks.empty())
            touch(parent->blocks.front(), now);
    }
    return true;
}

} // namespace veridon
