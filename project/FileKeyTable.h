// Tables of the keys of the XML files (project, settings, substitute sounds): for each key
// of a record its name, kind, field and what a reader takes when the key is missing. The
// writer and the reader of a file both walk the same table, so a key is spelled once and
// the two directions cannot drift apart.
//
// A table lists its keys in the order they are written. Reading does not depend on the
// order; it goes through CQVXmlElementRef, so both parsers (the own component and the
// TinyXML fallback) read a table alike.
#pragma once

#include "project/CQVXmlElementRef.h"
#include "project/CQVXmlNode.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>

namespace qv
{

// Doubles read from a file are held within this magnitude: later stages turn times into
// whole milliseconds and frame counts.
constexpr double kQVMaxFileMagnitude = 1e9;

enum class EQVKeyRole
{
    Plain,
    Gate,       // the table is read only when this key is present
    GateNonZero // the table is read only when this key is present and not 0
};

template <class T> struct tagQVMemberOf;
template <class R, class T> struct tagQVMemberOf<T R::*>
{
    using Record = R;
    using Value = T;
};

// One key of a record, with the two functions that write and read its field.
template <class R> struct tagQVFileKey
{
    const char* pszName;
    void (*pWrite)(const tagQVFileKey& key, const R& record, CQVXmlNode* pNode);
    void (*pRead)(const tagQVFileKey& key, CQVXmlElementRef element, R* pRecord);
    // A missing number keeps the record's value, unless the key has a default of its own
    // (where the file's default differs from the record's, e.g. "dVoiceScale"). A missing
    // path always keeps the record's value.
    bool bHasDefault = false;
    double dDefault = 0.0;
    EQVKeyRole eRole = EQVKeyRole::Plain;
    // 0: read always; otherwise read only when the reader's classes share a bit with it
    // (the project reader reads some item keys only for some kinds of item).
    uint32_t nReadFor = 0;

    constexpr tagQVFileKey Default(double dValue) const
    {
        tagQVFileKey key = *this;
        key.bHasDefault = true;
        key.dDefault = dValue;
        return key;
    }
    constexpr tagQVFileKey Role(EQVKeyRole eKeyRole) const
    {
        tagQVFileKey key = *this;
        key.eRole = eKeyRole;
        return key;
    }
    constexpr tagQVFileKey ReadFor(uint32_t nClasses) const
    {
        tagQVFileKey key = *this;
        key.nReadFor = nClasses;
        return key;
    }
};

template <class R> struct tagQVKeyTable
{
    const tagQVFileKey<R>* pKeys;
    size_t nCount;

    const tagQVFileKey<R>* begin() const { return pKeys; }
    const tagQVFileKey<R>* end() const { return pKeys + nCount; }
};

template <class R, size_t N> constexpr tagQVKeyTable<R> KeyTable(const tagQVFileKey<R> (&keys)[N])
{
    return {keys, N};
}

constexpr uint32_t kQVReadAllClasses = ~0u;

std::u16string KeyName(const char* pszName);
CQVXmlNode* AppendKeyElement(CQVXmlNode* pParent, const char* pszName);

// --- the kind of a key follows the type of its field:
//   int32_t      "%d", read as CQVXmlElementRef::GetInt;
//   double       "%g"; a value that is not finite counts as missing, and values are held
//                within kQVMaxFileMagnitude;
//   std::string  a path in UTF-8, escaped on writing and unescaped on reading
//                (CQVXmlNode::SetStringUtf8, CQVXmlElementRef::GetPath).
void WriteKeyValue(CQVXmlNode* pNode, const char* pszName, int32_t nValue);
void WriteKeyValue(CQVXmlNode* pNode, const char* pszName, double dValue);
void WriteKeyValue(CQVXmlNode* pNode, const char* pszName, const std::string& value);
int32_t ReadKeyValue(CQVXmlElementRef element, const char* pszName, int32_t nIfMissing);
double ReadKeyValue(CQVXmlElementRef element, const char* pszName, double dIfMissing);
std::string ReadKeyValue(CQVXmlElementRef element, const char* pszName,
                         const std::string& ifMissing);

template <auto P> using KeyRecordOf = typename tagQVMemberOf<decltype(P)>::Record;
template <auto P> using KeyValueOf = typename tagQVMemberOf<decltype(P)>::Value;

// The key of the field P (&Record::field) under the name.
template <auto P> constexpr tagQVFileKey<KeyRecordOf<P>> Key(const char* pszName)
{
    using R = KeyRecordOf<P>;
    using T = KeyValueOf<P>;
    return {pszName,
            [](const tagQVFileKey<R>& key, const R& record, CQVXmlNode* pNode)
            { WriteKeyValue(pNode, key.pszName, record.*P); },
            [](const tagQVFileKey<R>& key, CQVXmlElementRef element, R* pRecord)
            {
                T& field = pRecord->*P;
                if constexpr (std::is_arithmetic_v<T>)
                    field = ReadKeyValue(element, key.pszName,
                                         key.bHasDefault ? static_cast<T>(key.dDefault) : field);
                else
                    field = ReadKeyValue(element, key.pszName, field);
            }};
}

// Writes every key of the table in its order.
template <class R> void WriteKeys(const tagQVKeyTable<R>& table, const R& record, CQVXmlNode* pNode)
{
    for (const tagQVFileKey<R>& key : table)
        key.pWrite(key, record, pNode);
}

// True when the table is to be read from the element: it has no gate key, or its first
// gate key is there (and, for GateNonZero, not 0).
template <class R> bool IsTablePresent(const tagQVKeyTable<R>& table, CQVXmlElementRef element)
{
    for (const tagQVFileKey<R>& key : table)
    {
        if (key.eRole == EQVKeyRole::Gate)
            return element.HasAttribute(key.pszName);
        if (key.eRole == EQVKeyRole::GateNonZero)
            return element.GetInt(key.pszName, 0) != 0;
    }
    return true;
}

// Reads every key whose classes meet nClasses; a missing key keeps the record's value or
// takes the key's default.
template <class R>
void ReadKeys(const tagQVKeyTable<R>& table, CQVXmlElementRef element, R* pRecord,
              uint32_t nClasses = kQVReadAllClasses)
{
    for (const tagQVFileKey<R>& key : table)
        if (key.nReadFor == 0 || (key.nReadFor & nClasses) != 0)
            key.pRead(key, element, pRecord);
}

// An optional record (crop, border, ...): created and read when its table is present.
template <class R>
void ReadOptionalRecord(const tagQVKeyTable<R>& table, CQVXmlElementRef element,
                        std::unique_ptr<R>* pRecord)
{
    if (!IsTablePresent(table, element))
        return;
    *pRecord = std::make_unique<R>();
    ReadKeys(table, element, pRecord->get());
}

} // namespace qv
