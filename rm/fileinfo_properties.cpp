// Reading the properties list of a logical-fileinfo stream's type-specific data.
#include "rm/fileinfo_properties.h"

namespace rm {

namespace {

// Big-endian reads that refuse to pass the end of what they were given.
class Bytes {
public:
    Bytes(const uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool skip(std::size_t n)
    {
        if (n > m_size - m_at)
            return false;
        m_at += n;
        return true;
    }
    template <class Number>
    bool number(Number& out)
    {
        if (sizeof(Number) > m_size - m_at)
            return false;
        out = 0;
        for (std::size_t k = 0; k < sizeof(Number); ++k)
            out = static_cast<Number>((out << 8) | m_data[m_at++]);
        return true;
    }
    bool text(std::size_t n, std::string& out)
    {
        if (n > m_size - m_at)
            return false;
        out.assign(reinterpret_cast<const char*>(m_data + m_at), n);
        m_at += n;
        return true;
    }
    std::size_t at() const { return m_at; }

private:
    const uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

constexpr std::size_t kPropertyFixedBytes = 4 + 2 + 1 + 4 + 2;

}  // namespace

std::optional<uint32_t> FileInfoProperty::number() const
{
    if (type != kPropertyNumber || value.size() != 4)
        return std::nullopt;
    uint32_t n = 0;
    for (const char c : value)
        n = (n << 8) | static_cast<uint8_t>(c);
    return n;
}

FileInfoProperties readFileInfoProperties(const uint8_t* data, std::size_t size)
{
    FileInfoProperties out;
    Bytes bytes(data, size);
    uint32_t declaredSize = 0;
    uint16_t version = 0, streams = 0, rules = 0, count = 0;
    if (!bytes.number(declaredSize) || !bytes.number(version) || version != 0 || !bytes.number(streams)
        || !bytes.skip(std::size_t{streams} * 6) || !bytes.number(rules) || !bytes.skip(std::size_t{rules} * 2)
        || !bytes.number(count)) {
        out.damaged = true;
        return out;
    }
    for (uint16_t k = 0; k < count; ++k) {
        const std::size_t start = bytes.at();
        uint32_t propertySize = 0;
        uint16_t propertyVersion = 0, valueLength = 0;
        uint8_t nameLength = 0;
        FileInfoProperty property;
        const bool whole = bytes.number(propertySize) && propertySize >= kPropertyFixedBytes
                           && bytes.number(propertyVersion) && bytes.number(nameLength)
                           && bytes.text(nameLength, property.name) && bytes.number(property.type)
                           && bytes.number(valueLength) && bytes.text(valueLength, property.value)
                           && bytes.at() - start == propertySize;
        if (!whole) {
            out.damaged = true;
            return out;
        }
        if (property.type == kPropertyText)
            while (!property.value.empty() && property.value.back() == '\0')
                property.value.pop_back();
        out.properties.push_back(std::move(property));
    }
    return out;
}

}  // namespace rm
