#include "XmlResponse.h"

#include "ValueConversion.h"
#include "XmlText.h"

#include <algorithm>
#include <iterator>

namespace orv::cimxml {

using cmpiserver::equalsIgnoreCase;

namespace {

// Bytes that go into element text and attribute values as they are:
// printable ASCII but the markup characters and quotes, and the white
// space XML keeps. Nearly every name and value is made of them only, and
// is then written in one piece without being looked at again.
struct PlainBytes {
    bool plain[256] = {};
    PlainBytes() {
        for (int c = 0x20; c < 0x7F; ++c) plain[c] = true;
        for (const unsigned char c : {'&', '<', '>', '"', '\''}) plain[c] = false;
        plain[static_cast<unsigned char>('\t')] = plain[static_cast<unsigned char>('\n')] =
            plain[static_cast<unsigned char>('\r')] = true;
    }
};
const PlainBytes kPlainBytes;

bool isPlain(std::string_view text) {
    for (const char c : text)
        if (!kPlainBytes.plain[static_cast<unsigned char>(c)]) return false;
    return true;
}

// Values come from the provider, which reads them from the hardware's
// records: a stray byte there must not make the whole answer unreadable.
void pushValueText(XmlMarkup& p, std::string_view text) {
    if (isPlain(text))
        p.raw(text);
    else if (isXmlSafe(text))
        p.text(text);
    else
        p.text(xmlSafe(text));
}

// Appends text with the markup characters as entities: in attribute values
// both quotes too, in element text only &, < and >. Text ends at a NUL.
template <bool InAttribute>
void appendEscaped(XmlMarkup& out, std::string_view text) {
    if (isPlain(text)) {
        out.put(text.data(), text.size());
        return;
    }
    const char* run = text.data();
    const char* const end = text.data() + text.size();
    const char* q = run;
    for (; q != end && *q != '\0'; ++q) {
        std::string_view entity;
        switch (*q) {
        case '&': entity = "&amp;"; break;
        case '<': entity = "&lt;"; break;
        case '>': entity = "&gt;"; break;
        case '"': if (InAttribute) entity = "&quot;"; break;
        case '\'': if (InAttribute) entity = "&apos;"; break;
        default: break;
        }
        if (entity.empty()) continue;
        out.put(run, static_cast<std::size_t>(q - run));
        out.put(entity.data(), entity.size());
        run = q + 1;
    }
    out.put(run, static_cast<std::size_t>(q - run));
}

bool admitted(const std::optional<std::vector<std::string>>& list, const std::string& name) {
    if (!list) return true;
    return std::any_of(list->begin(), list->end(),
                       [&](const std::string& n) { return equalsIgnoreCase(n, name); });
}

void booleanQualifier(XmlMarkup& p, const char* name) {
    p.open("QUALIFIER");
    p.attribute("NAME", name);
    p.attribute("TYPE", "boolean");
    p.open("VALUE");
    p.text("TRUE");
    p.close();
    p.close();
}

// NAMESPACEPATH with its HOST and LOCALNAMESPACEPATH.
std::string namespacePathMarkup(const std::string& host, const std::string& nameSpace) {
    XmlMarkup p;
    p.open("NAMESPACEPATH");
    p.open("HOST");
    p.text(host);
    p.close();
    p.open("LOCALNAMESPACEPATH");
    std::string::size_type start = 0;
    while (start <= nameSpace.size()) {
        const auto slash = nameSpace.find('/', start);
        const std::string_view part =
            std::string_view(nameSpace).substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (!part.empty()) {
            p.open("NAMESPACE");
            p.attribute("NAME", part);
            p.closeEmpty();
        }
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    p.close();  // LOCALNAMESPACEPATH
    p.close();  // NAMESPACEPATH
    return p.take();
}

}  // namespace

void XmlMarkup::putInNewBlock(const char* data, std::size_t size) {
    const std::size_t room = static_cast<std::size_t>(end_ - cursor_);
    if (room != 0) std::memcpy(cursor_, data, room);
    data += room;
    size -= room;
    ++blocksBegun_;
    if (stream_ && block_ && sendHeldBlocks()) {
        // The block is free again; a piece larger than it leaves on its own.
        if (size > blockSize_) {
            const std::string_view piece(data, size);
            if (!stream_->send(&piece, 1)) throw AnswerAbandoned("the client stopped reading the answer");
            return;
        }
        std::memcpy(cursor_, data, size);
        cursor_ += size;
        return;
    }
    if (block_) full_.push_back(Block{std::move(block_), blockSize_});
    std::size_t grown = 2 * blockSize_;
    if (stream_) grown = std::min(grown, stream_->blockBytes());
    blockSize_ = std::max({size, grown, std::size_t{1024}});
    block_.reset(new char[blockSize_]);
    cursor_ = block_.get();
    end_ = cursor_ + blockSize_;
    std::memcpy(cursor_, data, size);
    cursor_ += size;
}

bool XmlMarkup::sendHeldBlocks() {
    std::size_t held = blockSize_;
    for (const auto& block : full_) held += block.used;
    if (!stream_->started() && held < stream_->blockBytes()) return false;
    // The answer's first blocks are small: they leave in one send.
    pieces_.clear();
    for (const auto& block : full_) pieces_.emplace_back(block.data.get(), block.used);
    pieces_.emplace_back(block_.get(), blockSize_);
    const bool sent = stream_->send(pieces_.data(), pieces_.size());
    full_.clear();
    cursor_ = block_.get();
    if (!sent) throw AnswerAbandoned("the client stopped reading the answer");
    return true;
}

std::string XmlMarkup::take() {
    std::size_t total = static_cast<std::size_t>(cursor_ - block_.get());
    for (const auto& block : full_) total += block.used;
    std::string out;
    out.reserve(total);
    for (const auto& block : full_) out.append(block.data.get(), block.used);
    if (block_) out.append(block_.get(), static_cast<std::size_t>(cursor_ - block_.get()));
    full_.clear();
    block_.reset();
    blockSize_ = 0;
    cursor_ = end_ = nullptr;
    return out;
}

void XmlMarkup::open(const char* element) {
    seal();
    const std::size_t length = std::strlen(element);
    put('<');
    put(element, length);
    open_.emplace_back(element, length);
    justOpened_ = true;
}

void XmlMarkup::attribute(const char* name, std::string_view value) {
    put(' ');
    put(name, std::strlen(name));
    put("=\"", 2);
    appendEscaped<true>(*this, value);
    put('"');
}

void XmlMarkup::attributeText(std::string_view value) { appendEscaped<true>(*this, value); }

void XmlMarkup::text(std::string_view value) {
    seal();
    appendEscaped<false>(*this, value);
}

void XmlMarkup::close() {
    seal();
    const auto [element, length] = open_.back();
    put("</", 2);
    put(element, length);
    put('>');
    open_.pop_back();
}

void XmlMarkup::closeEmpty() {
    if (justOpened_) {
        put("/>", 2);
        justOpened_ = false;
        open_.pop_back();
        return;
    }
    close();
}

ResponseWriter::ResponseWriter(const ServerSchema& schema, std::string hostName)
    : schema_(schema), hostName_(std::move(hostName)) {}

ResponseWriter::~ResponseWriter() = default;

void ResponseWriter::begin(const std::string& messageId, const std::string& methodName, bool intrinsic) {
    auto& p = out_;
    p.take();
    p.raw("<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n");
    p.open("CIM");
    p.attribute("CIMVERSION", "2.0");
    p.attribute("DTDVERSION", "2.0");
    p.open("MESSAGE");
    p.attribute("ID", messageId);
    p.attribute("PROTOCOLVERSION", "1.0");
    p.open("SIMPLERSP");
    p.open(intrinsic ? "IMETHODRESPONSE" : "METHODRESPONSE");
    p.attribute("NAME", methodName);
}

std::string ResponseWriter::end() {
    auto& p = out_;
    p.close();  // (I)METHODRESPONSE
    p.close();  // SIMPLERSP
    p.close();  // MESSAGE
    p.close();  // CIM
    p.put('\n');
    return p.take();
}

void ResponseWriter::openReturnValue() { out_.open("IRETURNVALUE"); }
void ResponseWriter::closeReturnValue() { out_.close(); }

void ResponseWriter::error(int code, const std::string& description) {
    auto& p = out_;
    p.open("ERROR");
    p.attribute("CODE", std::to_string(code));
    p.attribute("DESCRIPTION", xmlSafe(description));
    p.close();
}

const std::string* ResponseWriter::Openings::find(const std::string& name, CMPIType type) const {
    for (const auto& way : ways)
        if (way.type == type && way.name == name && !way.markup.empty()) return &way.markup;
    return nullptr;
}

ResponseWriter::Opening& ResponseWriter::Openings::replace() {
    Opening& way = ways[next];
    next = (next + 1) % std::size(ways);
    return way;
}

template <class Write>
void ResponseWriter::writeAndKeep(std::string& kept, Write&& write) {
    out_.raw({});
    const auto start = out_.position();
    write();
    const std::string_view made = out_.since(start);
    kept.assign(made.data(), made.size());
}

template <class Write>
void ResponseWriter::opening(Openings& kept, const std::string& name, CMPIType type, Write&& write) {
    if (const std::string* markup = kept.find(name, type)) {
        out_.raw(*markup);
        return;
    }
    Opening& way = kept.replace();
    way.name = name;
    way.type = type;
    writeAndKeep(way.markup, write);
}

void ResponseWriter::keyBinding(std::size_t position, const std::string& name, const Value& v) {
    auto& p = out_;
    const bool reference = v.elementType() == CMPI_ref && !v.isNull() && !v.isArray();
    // A reference opens alike whatever else it holds; a code no type has
    // stands for it among the kept openings.
    constexpr CMPIType kReference = 0xFFFF;
    const CMPIType type = reference ? kReference : v.type();
    if (position >= keyBindings_.size()) keyBindings_.resize(position + 1);
    opening(keyBindings_[position], name, type, [&] {
        p.put("<KEYBINDING NAME=\"");
        p.attributeText(name);
        if (reference) {
            p.put("\"><VALUE.REFERENCE>");
            return;
        }
        p.put("\"><KEYVALUE VALUETYPE=\"");
        p.put(keyValueType(type));
        // The CIM-XML DTD 2.4 requires the CIM type of every key value.
        p.put("\" TYPE=\"");
        p.put(cimNameOfType(type));
        p.put("\">");
    });
    if (reference) {
        referencePath(v);
        p.literal("</VALUE.REFERENCE></KEYBINDING>");
        return;
    }
    if (!v.isNull() && !v.isArray()) pushValueText(p, scalarText(v, scalarRoom_));
    p.put("</KEYVALUE></KEYBINDING>");
}

void ResponseWriter::instanceName(const ObjectPath& path) {
    auto& p = out_;
    opening(instanceNames_, path.className, CMPI_null, [&] {
        p.put("<INSTANCENAME CLASSNAME=\"");
        p.attributeText(path.className);
        p.put("\">");
    });
    for (std::size_t i = 0; i < path.keys.size(); ++i) keyBinding(i, path.keys[i].name, path.keys[i].value);
    p.literal("</INSTANCENAME>");
}

void ResponseWriter::instancePath(const ObjectPath& path) {
    auto& p = out_;
    if (path.nameSpace.empty()) {
        instanceName(path);
        return;
    }
    // The paths of one answer name one or two namespaces of one host: the
    // markup of the last one is kept and written again as it is.
    const std::string& host = path.host.empty() ? hostName_ : path.host;
    if (namespacePathOf_.first != host || namespacePathOf_.second != path.nameSpace) {
        namespacePathOf_ = {host, path.nameSpace};
        namespacePath_ = namespacePathMarkup(host, path.nameSpace);
    }
    p.literal("<INSTANCEPATH>");
    p.put(namespacePath_);
    instanceName(path);
    p.literal("</INSTANCEPATH>");
}

namespace {

// Paths that give the same markup: names and values equal byte for byte.
// Values that compare equal but may be written apart (a reference compares
// without case, 0.0 equals -0.0) count only when they are the very same.
bool writtenAlike(const ObjectPath& a, const ObjectPath& b) {
    if (a.className != b.className || a.nameSpace != b.nameSpace || a.host != b.host ||
        a.keys.size() != b.keys.size())
        return false;
    for (std::size_t i = 0; i < a.keys.size(); ++i) {
        const Value& x = a.keys[i].value;
        const Value& y = b.keys[i].value;
        if (a.keys[i].name != b.keys[i].name) return false;
        switch (x.elementType()) {
        case CMPI_ref: case CMPI_instance: case CMPI_real32: case CMPI_real64:
            if (x.type() != y.type() || x.isNull() != y.isNull()) return false;
            if (x.isNull()) continue;
            if (x.type() != CMPI_ref || &x.asReference() != &y.asReference()) return false;
            break;
        default:
            if (x != y) return false;
        }
    }
    return true;
}

}  // namespace

void ResponseWriter::referencePath(const Value& reference) {
    const auto& path = reference.sharedReference();
    for (const auto& known : written_)
        if (known.path == path) {
            out_.put(known.markup);
            return;
        }
    for (auto& known : written_)
        if (known.path && writtenAlike(*known.path, *path)) {
            // The newer path takes the place: its twin comes next.
            known.path = path;
            out_.put(known.markup);
            return;
        }
    const auto start = out_.position();
    instancePath(*path);
    const std::string_view markup = out_.since(start);
    if (markup.empty()) return;
    WrittenReference& slot = written_[nextWritten_];
    nextWritten_ = (nextWritten_ + 1) % std::size(written_);
    slot.path = path;
    slot.markup.assign(markup.data(), markup.size());
}

void ResponseWriter::objectPath(const ObjectPath& path) {
    out_.literal("<OBJECTPATH>");
    instancePath(path);
    out_.literal("</OBJECTPATH>");
}

void ResponseWriter::value(const Value& v) {
    auto& p = out_;
    if (v.isNull()) return;
    if (v.isArray()) {
        const bool refs = v.elementType() == CMPI_ref;
        p.open(refs ? "VALUE.REFARRAY" : "VALUE.ARRAY");
        for (const auto& element : v.elements()) {
            if (element.isNull()) {
                p.open("VALUE.NULL");
                p.closeEmpty();
            } else {
                value(element);
            }
        }
        p.close();
        return;
    }
    if (v.elementType() == CMPI_ref) {
        p.literal("<VALUE.REFERENCE>");
        referencePath(v);
        p.literal("</VALUE.REFERENCE>");
        return;
    }
    p.literal("<VALUE>");
    if (v.elementType() == CMPI_instance) {
        // An embedded instance travels as the escaped text of its INSTANCE element.
        ResponseWriter inner(schema_, hostName_);
        inner.instance(v.asInstance(), std::nullopt, false);
        p.text(inner.out_.take());
    } else {
        pushValueText(p, scalarText(v, scalarRoom_));
    }
    p.literal("</VALUE>");
}

namespace {

// A null value of unknown type takes what the class declares.
CMPIType writtenType(const Value& v, const TypeDecl* declared) {
    if (declared && (v.isNull() || v.type() == CMPI_null)) return declared->type;
    return v.type();
}

bool isSingleReference(CMPIType type) { return type == CMPI_ref; }

}  // namespace

void ResponseWriter::propertyOpening(const std::string& name, bool plainName, CMPIType type,
                                     std::string_view referenceClass, std::string_view classOrigin) {
    auto& p = out_;
    const bool isArray = (type & CMPI_ARRAY) != 0;
    const CMPIType element = static_cast<CMPIType>(type & ~CMPI_ARRAY);
    if (isSingleReference(type)) {
        p.literal("<PROPERTY.REFERENCE NAME=\"");
        plainName ? p.put(name) : p.attributeText(name);
        if (!referenceClass.empty()) {
            p.put("\" REFERENCECLASS=\"");
            p.attributeText(referenceClass);
        }
    } else {
        if (isArray)
            p.literal("<PROPERTY.ARRAY NAME=\"");
        else
            p.literal("<PROPERTY NAME=\"");
        plainName ? p.put(name) : p.attributeText(name);
        p.put("\" TYPE=\"");
        p.put(cimNameOfType(element));
        if (element == CMPI_instance) p.put("\" EmbeddedObject=\"instance");
    }
    if (!classOrigin.empty()) {
        p.put("\" CLASSORIGIN=\"");
        p.attributeText(classOrigin);
    }
    p.put("\">");
}

void ResponseWriter::instance(const Instance& inst, const std::optional<std::vector<std::string>>& propertyList,
                              bool includeClassOrigin) {
    auto& p = out_;
    p.literal("<INSTANCE CLASSNAME=\"");
    p.attributeText(inst.path.className);
    p.put("\">");
    if (declarationsOf_ != inst.path.className) {
        declarationsOf_ = inst.path.className;
        declarations_.clear();
    }
    for (std::size_t i = 0; i < inst.properties.size(); ++i) {
        const auto& prop = inst.properties[i];
        if (!admitted(propertyList, prop.name)) continue;
        Declared& known = declaration(inst.path.className, i, prop.name);
        const auto* decl = known.decl;
        const TypeDecl* declaredType = decl ? &decl->decl->type : nullptr;
        const CMPIType type = writtenType(prop.value, declaredType);
        // The instances of a class mostly give a property the same type:
        // its opening tag is kept and written again as it is.
        if (!known.opening.empty() && known.openingType == type && known.openingWithOrigin == includeClassOrigin) {
            p.raw(known.opening);
        } else {
            writeAndKeep(known.opening, [&] {
                propertyOpening(decl ? decl->decl->name : prop.name, known.plainName, type,
                                declaredType ? std::string_view(declaredType->referenceClass) : std::string_view(),
                                includeClassOrigin && decl ? std::string_view(decl->originClass) : std::string_view());
            });
            known.openingType = type;
            known.openingWithOrigin = includeClassOrigin;
        }
        value(prop.value);
        if (isSingleReference(type))
            p.literal("</PROPERTY.REFERENCE>");
        else if ((type & CMPI_ARRAY) != 0)
            p.literal("</PROPERTY.ARRAY>");
        else
            p.literal("</PROPERTY>");
    }
    p.literal("</INSTANCE>");
}

// The instances of one answer are mostly of one class, their properties
// set in the same order: the declaration found at a position serves the
// next instance of the class whose property there has the same name.
ResponseWriter::Declared& ResponseWriter::declaration(const std::string& className, std::size_t position,
                                                      const std::string& propertyName) {
    if (position >= declarations_.size()) declarations_.resize(position + 1);
    auto& known = declarations_[position];
    if (!known || known->propertyName != propertyName) {
        const auto* decl = schema_.property(className, propertyName);
        known.emplace(Declared{propertyName, decl, isPlain(decl ? decl->decl->name : propertyName), {}, CMPI_null,
                               false});
    }
    return *known;
}

void ResponseWriter::namedInstance(const Instance& inst,
                                   const std::optional<std::vector<std::string>>& propertyList,
                                   bool includeClassOrigin) {
    out_.literal("<VALUE.NAMEDINSTANCE>");
    instanceName(inst.path);
    instance(inst, propertyList, includeClassOrigin);
    out_.literal("</VALUE.NAMEDINSTANCE>");
}

void ResponseWriter::objectWithPath(const Instance& inst,
                                    const std::optional<std::vector<std::string>>& propertyList,
                                    bool includeClassOrigin) {
    out_.literal("<VALUE.OBJECTWITHPATH>");
    instancePath(inst.path);
    instance(inst, propertyList, includeClassOrigin);
    out_.literal("</VALUE.OBJECTWITHPATH>");
}

void ResponseWriter::className(const std::string& name) {
    out_.open("CLASSNAME");
    out_.attribute("NAME", name);
    out_.closeEmpty();
}

void ResponseWriter::classDecl(const ClassDecl& decl, const ClassOptions& options) {
    auto& p = out_;
    p.open("CLASS");
    p.attribute("NAME", decl.name);
    if (!decl.superClass.empty()) p.attribute("SUPERCLASS", decl.superClass);
    if (options.includeQualifiers) {
        if (decl.isAssociation) booleanQualifier(p, "Association");
        if (decl.isIndication) booleanQualifier(p, "Indication");
        if (decl.isAbstract) booleanQualifier(p, "Abstract");
    }
    for (const auto& prop : schema_.effectiveProperties(decl.name)) {
        const bool local = equalsIgnoreCase(prop.originClass, decl.name);
        if (options.localOnly && !local) continue;
        if (!admitted(options.propertyList, prop.decl->name)) continue;
        const TypeDecl& type = prop.decl->type;
        if (type.isReference() && !type.isArray()) {
            p.open("PROPERTY.REFERENCE");
            p.attribute("NAME", prop.decl->name);
            if (!type.referenceClass.empty()) p.attribute("REFERENCECLASS", type.referenceClass);
        } else {
            p.open(type.isArray() ? "PROPERTY.ARRAY" : "PROPERTY");
            p.attribute("NAME", prop.decl->name);
            p.attribute("TYPE", cimNameOfType(type.elementType()));
        }
        if (options.includeClassOrigin) p.attribute("CLASSORIGIN", prop.originClass);
        if (!local) p.attribute("PROPAGATED", "true");
        if (options.includeQualifiers && prop.decl->isKey) booleanQualifier(p, "Key");
        p.close();
    }
    for (const auto& method : schema_.effectiveMethods(decl.name)) {
        const bool local = equalsIgnoreCase(method.originClass, decl.name);
        if (options.localOnly && !local) continue;
        p.open("METHOD");
        p.attribute("NAME", method.decl->name);
        p.attribute("TYPE", cimNameOfType(method.decl->returnType));
        if (options.includeClassOrigin) p.attribute("CLASSORIGIN", method.originClass);
        if (!local) p.attribute("PROPAGATED", "true");
        for (const auto& param : method.decl->parameters) {
            const TypeDecl& type = param.type;
            const char* element = type.isReference() ? (type.isArray() ? "PARAMETER.REFARRAY" : "PARAMETER.REFERENCE")
                                                     : (type.isArray() ? "PARAMETER.ARRAY" : "PARAMETER");
            p.open(element);
            p.attribute("NAME", param.name);
            if (type.isReference()) {
                if (!type.referenceClass.empty()) p.attribute("REFERENCECLASS", type.referenceClass);
            } else {
                p.attribute("TYPE", cimNameOfType(type.elementType()));
            }
            if (options.includeQualifiers) {
                if (param.in) booleanQualifier(p, "IN");
                if (param.out) booleanQualifier(p, "OUT");
            }
            p.close();
        }
        p.close();
    }
    p.close();
}

void ResponseWriter::methodResult(const Value& returnValue, const std::vector<cmpiserver::NamedValue>& outArgs) {
    auto& p = out_;
    p.open("RETURNVALUE");
    p.attribute("PARAMTYPE", cimNameOfType(returnValue.elementType()));
    value(returnValue);
    p.close();
    for (const auto& arg : outArgs) {
        p.open("PARAMVALUE");
        p.attribute("NAME", arg.name);
        if (arg.value.type() != CMPI_null) {
            const CMPIType element = arg.value.elementType();
            p.attribute("PARAMTYPE", element == CMPI_ref ? "reference" : cimNameOfType(element));
        }
        value(arg.value);
        p.close();
    }
}

std::string instanceXml(const ServerSchema& schema, const Instance& instance) {
    ResponseWriter writer(schema, "localhost");
    writer.instance(instance, std::nullopt, false);
    return writer.out_.take();
}

std::string errorDocument(const ServerSchema& schema, const std::string& messageId,
                          const std::string& methodName, bool intrinsic, int code,
                          const std::string& description) {
    ResponseWriter writer(schema, "localhost");
    writer.begin(messageId, methodName, intrinsic);
    writer.error(code, description);
    return writer.end();
}

std::string errorDocument(const std::string& messageId, const std::string& methodName, bool intrinsic, int code,
                          const std::string& description) {
    static const ServerSchema noClasses;
    return errorDocument(noClasses, messageId, methodName, intrinsic, code, description);
}

}  // namespace orv::cimxml
