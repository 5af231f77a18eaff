#include "env/ObjCheck.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace veko {

namespace {

// The sizes of the engine's word buffers: most words, the numbers of a vertex, and one index
// of a face corner (digits and minus signs only, without its terminating zero).
const size_t kWordBuffer = 512;
const size_t kNumberBuffer = 256;
const size_t kIndexDigits = 15;

// The engine's reading primitives, step for step. The text always ends with a line break, so
// none of them reads past its end.
bool space(char c)
{
    return c == ' ' || c == '\f' || c == '\n' || c == '\r' || c == '\t' || c == '\v';
}

bool digit(char c) { return c >= '0' && c <= '9'; }

const char* firstWord(const char* p, const char* end, bool acrossNewlines = true)
{
    while (p != end && space(*p) && (acrossNewlines || *p != '\n'))
        ++p;
    return p;
}

const char* nextWord(const char* p, const char* end, bool acrossNewlines = true)
{
    while (p != end && !space(*p))
        ++p;
    return firstWord(p, end, acrossNewlines);
}

const char* nextLine(const char* p, const char* end)
{
    while (p != end && *p != '\n' && *p != '\r')
        ++p;
    return firstWord(p, end);
}

std::string copyWord(const char* p, const char* end, size_t buffer)
{
    size_t length = 0;
    while (p + length != end && p[length] != 0 && !space(p[length]))
        ++length;
    return std::string(p, std::min(length, buffer - 1));
}

// The next word on the same line, cut to the buffer; returns where that word starts.
const char* copyNextWord(const char* p, const char* end, size_t buffer, std::string* word)
{
    p = nextWord(p, end, false);
    *word = copyWord(p, end, buffer);
    return p;
}

const char* skipWords(const char* p, const char* end, int count)
{
    std::string word;
    for (int i = 0; i < count; ++i)
        p = copyNextWord(p, end, kWordBuffer, &word);
    return p;
}

bool startsWith(const char* p, const char* end, const char* prefix)
{
    const size_t length = std::strlen(prefix);
    return static_cast<size_t>(end - p) >= length && std::memcmp(p, prefix, length) == 0;
}

// The engine's integer reading, overflow quirks included.
int engineInteger(const std::string& text)
{
    const char* in = text.c_str();
    const bool negative = *in == '-';
    if (negative || *in == '+')
        ++in;
    bool overflow = false;
    unsigned int value = 0;
    for (; digit(*in); ++in) {
        const unsigned int next = value * 10 + static_cast<unsigned int>(*in - '0');
        if (next < value) {
            value = 0xffffffffu;
            overflow = true;
        }
        if (!overflow)
            value = next;
    }
    if (value > static_cast<unsigned int>(INT_MAX))
        return negative ? INT_MIN : INT_MAX;
    return negative ? -static_cast<int>(value) : static_cast<int>(value);
}

std::string number(size_t n) { return std::to_string(n); }

} // namespace

bool ObjCheck::Corner::operator==(const Corner& o) const
{
    return part == o.part && index[0] == o.index[0] && index[1] == o.index[1] && index[2] == o.index[2];
}

size_t ObjCheck::CornerHash::operator()(const Corner& c) const
{
    size_t h = c.part;
    for (unsigned int i : c.index)
        h = h * 1000003u ^ i;
    return h;
}

ObjCheck::ObjCheck(MaterialReader materials) : mMaterials(std::move(materials)) {}

bool ObjCheck::run(const char* text, size_t size, std::string* why)
{
    std::string terminated;
    if (size > 0 && text[size - 1] != '\n') {
        terminated.assign(text, size);
        terminated += '\n';
        text = terminated.data();
        size = terminated.size();
    }

    mWhy.clear();
    std::fill(mCount, mCount + 3, 0);
    mVertexLines = 0;
    mParts.clear();
    mFirstPart.clear();
    mPartNames.clear();
    mPartVertices.clear();
    addPart("", "");   // the engine's default material
    mPart = 0;
    mLookups = 0;
    mGroupName.clear();
    mMaterialName.clear();
    mPartChanged = false;
    mCorners.clear();
    mFewCorners.clear();
    mCornerCount = 0;
    mMaterialFiles = 0;
    mMaterialBytes = 0;
    mTextures = 0;

    const char* end = text + size;
    for (const char* p = text; p != end;) {
        const char* start = p;
        p = nextLine(line(p, end), end);
        if (!mWhy.empty()) {
            *why = mWhy + " (line " + number(std::count(text, start, '\n') + 1) + ")";
            return false;
        }
    }
    return true;
}

void ObjCheck::fail(const std::string& why)
{
    if (mWhy.empty())
        mWhy = why;
}

// One line, read as the engine reads it: its kind from its first character or two.
const char* ObjCheck::line(const char* p, const char* end)
{
    std::string word;
    switch (*p) {
    case 'm':
        p = copyNextWord(p, end, kWordBuffer, &word);
        materialFile(word);
        break;
    case 'v': {
        const int kind = p[1] == ' ' ? 0 : p[1] == 't' ? 1 : p[1] == 'n' ? 2 : -1;
        if (kind < 0)
            break;
        for (int i = 0; i < (kind == 1 ? 2 : 3); ++i)
            p = copyNextWord(p, end, kNumberBuffer, &word);
        ++mCount[kind];
        if (++mVertexLines > Limits::kVertexLines)
            fail("it has more than " + number(Limits::kVertexLines) + " vertices, texture coordinates and normals");
        break;
    }
    case 'g':
        p = copyNextWord(p, end, kWordBuffer, &word);
        mGroupName = word.empty() ? "default" : word;
        mPartChanged = true;
        break;
    case 's':
        p = copyNextWord(p, end, kWordBuffer, &word);
        break;
    case 'u':
        p = copyNextWord(p, end, kWordBuffer, &word);
        mMaterialName = word;
        mPartChanged = true;
        break;
    case 'f':
        face(p, end);
        break;
    }
    return p;
}

// A face: the whole line up to and with its break, every word after the first a corner. The
// engine reads a copy of the line that ends in a zero byte; here the line's end stands for it.
const char* ObjCheck::face(const char* p, const char* end)
{
    if (mPartChanged) {
        findPart();
        mPartChanged = false;
    }
    const char* stop = p;
    while (stop != end && *stop != '\n' && *stop != '\r')
        ++stop;
    const char* lineEnd = stop != end ? stop + 1 : stop;

    size_t corners = 0;
    for (const char* word = nextWord(p, lineEnd); word != lineEnd && *word != 0 && mWhy.empty();
         word = nextWord(word, lineEnd)) {
        Corner seen;
        if (!corner(copyWord(word, lineEnd, kWordBuffer), &seen))
            return p;
        ++corners;
        if (++mCornerCount > Limits::kCorners)
            fail("it has more than " + number(Limits::kCorners) + " face corners");
        countVertex(seen);
    }
    // The engine would triangulate a face without corners for ever.
    if (corners == 0)
        fail("a face has no corners");
    return p;
}

// The engine keeps one vertex per different corner of a part. Until there are more corners
// than a part may have vertices no cap can be reached: they are only noted, cheaply.
void ObjCheck::countVertex(const Corner& corner)
{
    if (mCornerCount <= Limits::kPartVertices) {
        mFewCorners.push_back(corner);
        return;
    }
    for (const Corner& early : mFewCorners)
        if (mCorners.insert(early).second)
            ++mPartVertices[early.part];
    mFewCorners.clear();
    if (!mCorners.insert(corner).second)
        return;
    if (++mPartVertices[corner.part] > Limits::kPartVertices)
        fail("a part of it has more than " + number(Limits::kPartVertices) +
             " vertices, more than the engine can index");
    if (mCorners.size() > Limits::kVertices)
        fail("it has more than " + number(Limits::kVertices) + " vertices");
}

// "v", "v/t/n" and the like: digits and minus signs make the numbers, '/' ends one, anything
// else is skipped; each index must name something already defined.
bool ObjCheck::corner(const std::string& word, Corner* seen)
{
    int index[3] = { -1, -1, -1 };
    std::string digits;
    int kind = 0;
    for (size_t i = 0; i <= word.size(); ++i) {
        const char c = word.c_str()[i];
        if (digit(c) || c == '-') {
            if (digits.size() == kIndexDigits) {
                fail("a number in a face is too long for the engine");
                return false;
            }
            digits += c;
        } else if (c == '/' || c == '\0') {
            int value = engineInteger(digits);
            value = value < 0 ? static_cast<int>(static_cast<unsigned int>(value) + mCount[kind]) : value - 1;
            index[kind] = value;
            digits.clear();
            if (c == '/')
                kind = kind == 2 ? 0 : kind + 1;
            else
                while (++kind < 3)
                    index[kind] = -1;
        }
    }
    bool there = static_cast<unsigned int>(index[0]) < mCount[0];
    for (int k = 1; k < 3; ++k)
        there = there && (index[k] == -1 || static_cast<unsigned int>(index[k]) < mCount[k]);
    if (!there) {
        fail("a face refers to a vertex, texture coordinate or normal that is not there");
        return false;
    }
    seen->part = mPart;
    for (int k = 0; k < 3; ++k)
        seen->index[k] = static_cast<unsigned int>(index[k]);
    return true;
}

// The engine looks the group and material up in its list, front to back, and adds a part
// when the pair is new.
void ObjCheck::findPart()
{
    const auto exact = mFirstPart.find(std::make_pair(mMaterialName, mGroupName));
    if (exact != mFirstPart.end()) {
        mLookups += exact->second + 1;
        mPart = exact->second;
    } else {
        mLookups += mParts.size();
        if (mPartNames.count(mMaterialName)) {
            addPart(mMaterialName, mGroupName);
            mPart = mParts.size() - 1;
        } else if (!mGroupName.empty()) {
            addPart(mParts[0].first, mGroupName);
            mPart = mParts.size() - 1;
        }
    }
    if (mLookups > Limits::kGroupLookups)
        fail("its faces switch between its " + number(mParts.size()) + " groups too often");
}

void ObjCheck::addPart(std::string name, std::string group)
{
    mFirstPart.emplace(std::make_pair(name, group), mParts.size());
    mParts.emplace_back(name, group);
    mPartNames.insert(name);
    mPartVertices.push_back(0);
    if (mParts.size() > Limits::kGroups + 1)   // the default material is not the file's
        fail("it has more than " + number(Limits::kGroups) + " groups and materials");
}

// A material file, read whole by the engine each time a line names it.
void ObjCheck::materialFile(const std::string& name)
{
    if (++mMaterialFiles > Limits::kMaterialFiles) {
        fail("it names more than " + number(Limits::kMaterialFiles) + " material files");
        return;
    }
    std::string text;
    const long long left = static_cast<long long>(Limits::kMaterialBytes - mMaterialBytes);
    const long long size = mMaterials ? mMaterials(name, left, &text) : -1;
    if (size > left) {
        fail("its material files are larger than " + number(Limits::kMaterialBytes >> 20) + " MB all told");
        return;
    }
    if (size <= 0 || text.empty())
        return;
    mMaterialBytes += text.size();
    if (text.back() != '\n')
        text += '\n';
    const char* end = text.data() + text.size();
    bool inMaterial = false;
    std::string materialName;
    for (const char* p = text.data(); p != end && mWhy.empty();) {
        if (*p == 'n') {
            // A new material: the one before it joins the list.
            if (inMaterial)
                addPart(materialName, "");
            p = copyNextWord(p, end, kWordBuffer, &materialName);
            inMaterial = true;
        } else if (inMaterial) {
            p = materialLine(p, end);
        }
        p = nextLine(p, end);
    }
    if (inMaterial)
        addPart(materialName, "");
}

// A line inside a material: only where the engine stops reading it matters.
const char* ObjCheck::materialLine(const char* p, const char* end)
{
    switch (*p) {
    case 'i':
    case 'd':
        return skipWords(p, end, 1);
    case 'N':
        return p[1] == 's' || p[1] == 'i' ? skipWords(p, end, 1) : p;
    case 'K':
        return std::strchr("dsae", p[1]) && p[1] ? skipWords(p, end, 3) : p;
    case 'T':
        return p[1] == 'f' ? skipWords(p, end, 3) : p;
    case 'b':
    case 'm':
        return textureLine(p, end);
    }
    return p;
}

// "map_Kd [-options...] NAME": the engine's option loop, word for word.
const char* ObjCheck::textureLine(const char* p, const char* end)
{
    const bool bump = startsWith(p, end, "map_bump") || startsWith(p, end, "bump");
    std::string word;
    p = copyNextWord(p, end, kWordBuffer, &word);
    while (word[0] == '-') {
        if (startsWith(p, end, "-bm")) {
            p = skipWords(p, end, 1);
            p = copyNextWord(p, end, kWordBuffer, &word);
            continue;
        }
        if (startsWith(p, end, "-blendu") || startsWith(p, end, "-blendv") || startsWith(p, end, "-cc")) {
            p = copyNextWord(p, end, kWordBuffer, &word);
        } else if (startsWith(p, end, "-clamp")) {
            p = skipWords(p, end, 1);
        } else if (startsWith(p, end, "-texres") || startsWith(p, end, "-type")) {
            p = copyNextWord(p, end, kWordBuffer, &word);
        } else if (startsWith(p, end, "-mm")) {
            p = skipWords(p, end, 1);
            p = copyNextWord(p, end, kWordBuffer, &word);
        } else if (startsWith(p, end, "-o") || startsWith(p, end, "-s") || startsWith(p, end, "-t")) {
            p = skipWords(p, end, 1);
            p = copyNextWord(p, end, kWordBuffer, &word);
            if (!digit(word[0]))
                continue;
            p = copyNextWord(p, end, kWordBuffer, &word);
            if (!digit(word[0]))
                continue;
        }
        p = copyNextWord(p, end, kWordBuffer, &word);
    }
    if (bump && digit(word[0]))
        p = copyNextWord(p, end, kWordBuffer, &word);
    if (!word.empty() && ++mTextures > Limits::kTextures)
        fail("its material files name more than " + number(Limits::kTextures) + " textures");
    return p;
}

} // namespace veko
