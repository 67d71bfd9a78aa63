#pragma once

#include "settings/variant.h"

#include <QList>
#include <QString>
#include <pugixml.hpp>

class Dictionary;
class Object;

// Dictionaries of typed values as XML text and back, in two dialects told
// apart by their root element: the property list ("plist" version "1.0",
// the entries inside one "dict") and xmldict ("xmldict" version "1.1", the
// entries directly in the root, with elements for nil, colour and file
// references). Stateless; every call builds and drops its own document.
namespace XMLDictionary {

// The number format of "real" elements: "-#.0##############".
QString formatReal(double value);

// A new document holding the dictionary. plist true: property list.
pugi::xml_document ExportXML(const Dictionary& dictionary, bool plist);
// The document as text, with the dialect's DOCTYPE line after the XML
// declaration.
QString ExportXMLString(const Dictionary& dictionary, bool plist);

// Reads the entries of an XML text or document into the dictionary, adding
// to what it holds. False, with nothing added, for a text that is not
// well-formed XML, for a "plist" root whose first element is not "dict",
// for a "version" above 1.0 ("plist") or 1.1 (any other root), and for a
// hostile document: one larger than maximumTextLength characters or nested
// deeper than maximumDepth elements. Entity declarations are never expanded.
bool LoadXML(Dictionary& dictionary, const QString& text);
bool LoadXML(Dictionary& dictionary, const pugi::xml_document& document);

constexpr int maximumDepth = 256;
constexpr qsizetype maximumTextLength = 16 * 1024 * 1024;

// The internal steps, public so that they can be checked one by one.

// The containers one export has written, by identity.
using VisitedList = QList<const Object*>;

// Writes the entries of a dictionary or list into element at depth 1 with a
// visited list of its own.
void ParseStorage(const Object& container, pugi::xml_node element, bool plist);
void ParseStorage(const Object& container, pugi::xml_node element, VisitedList& visited, int depth, bool plist);
// Layout: a line break and depth tabs before node, and with closing layout
// also as node's last child, so that its closing tag starts a new line.
void IndentNode(pugi::xml_node node, int depth, bool closing);
// Reads the entries of element into a dictionary or list.
void ParseXML(pugi::xml_node element, Object& container);
// The children of element as text: text as it is, anything else as XML.
QString NodeContents(pugi::xml_node element);

// The container accessors: dictionaries count keys from 0, lists count
// items from 1 and have no keys; anything else (nullptr included) is empty.
int StorageCount(const Object* container);
Variant StorageKey(const Object* container, int index);
Variant StorageValue(const Object* container, int index);
Variant StorageByKey(const Object* container, const Variant& key);
// Dictionaries store under the key (not under a nil key), lists append.
void StoreValue(Object* container, const Variant& key, const Variant& value);

} // namespace XMLDictionary
