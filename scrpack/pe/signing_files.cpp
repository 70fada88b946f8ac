// HoldsCertificate and HoldsPrivateKey: DER's tag-length-value elements,
// in a PEM block's Base64 or as they are.
#include "scrpack/pe/signing_files.h"

#include <cstring>
#include <vector>

namespace {

enum : uint8_t { kInteger = 0x02, kBitString = 0x03, kOctetString = 0x04, kSequence = 0x30 };

struct Element {
    uint8_t tag = 0;
    size_t content = 0; // where its content starts
    size_t end = 0;     // one past its last byte
};

// The element at `at`, which must end by limit (definite lengths only, as
// DER has them).
bool ReadElement(const Bytes &der, size_t at, size_t limit, Element *element)
{
    if (at + 2 > limit)
        return false;
    element->tag = der[at];
    size_t length = der[at + 1];
    size_t content = at + 2;
    if (length & 0x80) {
        size_t count = length & 0x7F;
        if (count == 0 || count > 4 || content + count > limit)
            return false;
        length = 0;
        for (size_t i = 0; i < count; i++)
            length = length << 8 | der[content + i];
        content += count;
    }
    if (length > limit - content)
        return false;
    element->content = content;
    element->end = content + length;
    return true;
}

// The tags of the first `count` elements inside the outer SEQUENCE at the
// start of der; fewer when it holds fewer.
std::vector<uint8_t> InnerTags(const Bytes &der, size_t count)
{
    std::vector<uint8_t> tags;
    Element outer, inner;
    if (!ReadElement(der, 0, der.size(), &outer) || outer.tag != kSequence)
        return tags;
    for (size_t at = outer.content; tags.size() < count && ReadElement(der, at, outer.end, &inner); at = inner.end)
        tags.push_back(inner.tag);
    return tags;
}

bool IsCertificateDer(const Bytes &der)
{
    // SEQUENCE { tbsCertificate SEQUENCE, signatureAlgorithm SEQUENCE, signature BIT STRING }
    return InnerTags(der, 3) == std::vector<uint8_t>{kSequence, kSequence, kBitString};
}

bool IsPrivateKeyDer(const Bytes &der)
{
    // PKCS#8, PKCS#1 and SEC 1 start with a version INTEGER; encrypted
    // PKCS#8 is SEQUENCE { algorithm SEQUENCE, data OCTET STRING }.
    std::vector<uint8_t> tags = InnerTags(der, 2);
    return (tags.size() == 2 && tags[0] == kInteger) || tags == std::vector<uint8_t>{kSequence, kOctetString};
}

int Base64Value(char c)
{
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const char *at = c ? std::strchr(kDigits, c) : nullptr;
    return at ? (int)(at - kDigits) : -1;
}

// The PEM blocks of text whose label ends with labelEnd, each decoded;
// a block with headers (an encrypted legacy key) gives an empty entry.
std::vector<Bytes> PemBlocks(const std::string &text, const std::string &labelEnd)
{
    std::vector<Bytes> blocks;
    size_t at = 0;
    while ((at = text.find("-----BEGIN ", at)) != std::string::npos) {
        size_t labelStart = at + 11;
        size_t labelStop = text.find("-----", labelStart);
        size_t end = labelStop == std::string::npos ? labelStop : text.find("-----END ", labelStop);
        if (end == std::string::npos)
            break;
        std::string label = text.substr(labelStart, labelStop - labelStart);
        std::string body = text.substr(labelStop + 5, end - labelStop - 5);
        at = end + 9;
        if (label.size() < labelEnd.size() || label.compare(label.size() - labelEnd.size(), labelEnd.size(), labelEnd))
            continue;
        Bytes der;
        uint32_t bits = 0;
        int count = 0;
        bool headers = body.find(':') != std::string::npos;
        for (char c : body) {
            int value = Base64Value(c);
            if (value < 0)
                continue;
            bits = bits << 6 | (uint32_t)value;
            if (++count % 4 == 0)
                der.insert(der.end(), {(uint8_t)(bits >> 16), (uint8_t)(bits >> 8), (uint8_t)bits});
        }
        if (count % 4 == 2)
            der.push_back((uint8_t)(bits >> 4));
        else if (count % 4 == 3)
            der.insert(der.end(), {(uint8_t)(bits >> 10), (uint8_t)(bits >> 2)});
        blocks.push_back(headers ? Bytes() : der);
    }
    return blocks;
}

} // namespace

bool HoldsCertificate(const Bytes &file)
{
    if (IsCertificateDer(file))
        return true;
    for (const Bytes &der : PemBlocks(std::string(file.begin(), file.end()), "CERTIFICATE"))
        if (IsCertificateDer(der))
            return true;
    return false;
}

bool HoldsPrivateKey(const Bytes &file)
{
    if (IsPrivateKeyDer(file))
        return true;
    for (const Bytes &der : PemBlocks(std::string(file.begin(), file.end()), "PRIVATE KEY"))
        if (der.empty() || IsPrivateKeyDer(der))
            return true;
    return false;
}
