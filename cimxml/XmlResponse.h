// Writing CIM-XML responses: the message envelope and the elements that
// carry instances, paths, values and classes.
#pragma once

#include "AnswerStream.h"
#include "ServerSchema.h"
#include "ValueConversion.h"
#include "Value.h"

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orv::cimxml {

using cmpiserver::Instance;
using cmpiserver::ObjectPath;
using cmpiserver::Value;

// Markup written straight into one growing string. Element and attribute
// names are string literals; text and attribute values are escaped as they
// go in and end at a NUL byte, as the C strings of earlier writers did.
class XmlMarkup {
public:
    void open(const char* element);
    void attribute(const char* name, std::string_view value);
    void text(std::string_view value);
    // Markup made elsewhere, written as it is.
    void raw(std::string_view markup) {
        seal();
        put(markup.data(), markup.size());
    }
    // Closes with an end tag even when the element is empty: some clients'
    // parsers take only NAMESPACE, CLASSNAME and VALUE.NULL in the short form.
    void close();
    // Closes an empty element in the short form.
    void closeEmpty();
    // The markup written so far (since the last block sent to the stream),
    // in one string; the writer starts again empty.
    std::string take();
    // Once the markup outgrows the stream's block, full blocks go to the
    // stream as they fill instead of being kept; one block is held at a time.
    void sendBlocksTo(AnswerStream* stream) { stream_ = stream; }

    // Appends without escaping. An answer is made of millions of short
    // pieces and can run to megabytes: pieces are copied into blocks that
    // are never moved, each twice as large as the one before, and the
    // blocks are joined once at the end.
    void put(const char* data, std::size_t size) {
        if (size > static_cast<std::size_t>(end_ - cursor_)) {
            putInNewBlock(data, size);
        } else if (size != 0) {
            std::memcpy(cursor_, data, size);
            cursor_ += size;
        }
    }
    void put(char c) { put(&c, 1); }
    void put(std::string_view text) { put(text.data(), text.size()); }
    // Where the next byte goes, and the markup written since such a place
    // while it is still in one piece (empty when a new block began since,
    // or the block was sent and is being filled again).
    struct Position {
        const char* at;
        std::size_t block;
    };
    Position position() const { return {cursor_, blocksBegun_}; }
    std::string_view since(Position position) const {
        if (position.block != blocksBegun_) return {};
        return {position.at, static_cast<std::size_t>(cursor_ - position.at)};
    }
    // Markup that needs no escaping, after the tag now open is sealed. The
    // writers of instances and paths put whole runs of tags at once this way:
    // an answer holds tens of thousands of them.
    template <std::size_t N>
    void literal(const char (&markup)[N]) {
        seal();
        put(markup, N - 1);
    }
    // An attribute's value, escaped, inside a tag written with literal().
    void attributeText(std::string_view value);

private:
    void seal() {
        if (!justOpened_) return;
        put('>');
        justOpened_ = false;
    }
    void putInNewBlock(const char* data, std::size_t size);
    // Sends the blocks held and the full current one; true when the block
    // is free again for what follows.
    bool sendHeldBlocks();

    struct Block {
        std::unique_ptr<char[]> data;
        std::size_t used;
    };
    std::vector<Block> full_;
    std::vector<std::string_view> pieces_;
    std::unique_ptr<char[]> block_;
    std::size_t blockSize_ = 0;
    char* cursor_ = nullptr;
    char* end_ = nullptr;
    std::size_t blocksBegun_ = 0;
    AnswerStream* stream_ = nullptr;
    std::vector<std::pair<const char*, std::size_t>> open_;
    bool justOpened_ = false;
};

struct ClassOptions {
    bool localOnly = true;
    bool includeQualifiers = true;
    bool includeClassOrigin = false;
    std::optional<std::vector<std::string>> propertyList;
};

class ResponseWriter {
public:
    // hostName goes into instance paths whose own host is empty.
    ResponseWriter(const ServerSchema& schema, std::string hostName);
    ~ResponseWriter();

    // Opens CIM/MESSAGE/SIMPLERSP and IMETHODRESPONSE or METHODRESPONSE.
    void begin(const std::string& messageId, const std::string& methodName, bool intrinsic);
    // The rest of the document as one string, with the XML declaration
    // when nothing of it went to a stream.
    std::string end();
    // Large answers leave through `stream` while they are written (above).
    void sendBlocksTo(AnswerStream* stream) { out_.sendBlocksTo(stream); }

    void openReturnValue();   // IRETURNVALUE
    void closeReturnValue();
    void error(int code, const std::string& description);

    void instanceName(const ObjectPath& path);
    void instancePath(const ObjectPath& path);
    void objectPath(const ObjectPath& path);  // OBJECTPATH around INSTANCEPATH
    void instance(const Instance& instance, const std::optional<std::vector<std::string>>& propertyList,
                  bool includeClassOrigin);
    void namedInstance(const Instance& instance, const std::optional<std::vector<std::string>>& propertyList,
                       bool includeClassOrigin);
    void objectWithPath(const Instance& instance, const std::optional<std::vector<std::string>>& propertyList,
                        bool includeClassOrigin);
    void className(const std::string& name);
    void classDecl(const ClassDecl& decl, const ClassOptions& options);
    // RETURNVALUE and the output PARAMVALUEs of an extrinsic method.
    void methodResult(const Value& returnValue, const std::vector<cmpiserver::NamedValue>& outArgs);

private:
    friend std::string instanceXml(const ServerSchema& schema, const Instance& instance);
    void value(const Value& v);
    // The declaration of the property an instance holds at a position, and
    // whether the name it is written with needs escaping.
    struct Declared {
        std::string propertyName;  // as the provider named it
        const Inherited<PropertyDecl>* decl = nullptr;
        bool plainName = false;
        // The property's opening tag as last written, for the type it was
        // written with and whether it named the class origin.
        std::string opening;
        CMPIType openingType = CMPI_null;
        bool openingWithOrigin = false;
    };
    void propertyOpening(const std::string& name, bool plainName, CMPIType type, std::string_view referenceClass,
                         std::string_view classOrigin);
    Declared& declaration(const std::string& className, std::size_t position, const std::string& propertyName);
    void keyBinding(std::size_t position, const std::string& name, const Value& v);
    void referencePath(const Value& reference);

    const ServerSchema& schema_;
    std::string hostName_;
    XmlMarkup out_;
    ScalarRoom scalarRoom_;
    std::pair<std::string, std::string> namespacePathOf_;  // host, namespace
    std::string namespacePath_;
    std::string declarationsOf_;
    std::vector<std::optional<Declared>> declarations_;
    // The last references written, with their markup. An association
    // instance names each of its two ends twice (key and property), and its
    // neighbours in the answer mostly share one end. The path is held so
    // that no other path takes its place at the same address.
    struct WrittenReference {
        std::shared_ptr<const ObjectPath> path;
        std::string markup;
    };
    WrittenReference written_[4];
    std::size_t nextWritten_ = 0;
    // Markup written again and again: the start of INSTANCENAME for the
    // last class names, and the start of a key binding for the last key
    // names and types seen at each position of a path. Kept by exact
    // spelling, so that a name is escaped once, not once per path.
    struct Opening {
        std::string name;
        CMPIType type = CMPI_null;
        std::string markup;
    };
    struct Openings {
        Opening ways[4];
        std::size_t next = 0;
        // The markup kept for the name and type, or a place to keep it.
        const std::string* find(const std::string& name, CMPIType type) const;
        Opening& replace();
    };
    Openings instanceNames_;
    std::vector<Openings> keyBindings_;
    // Writes what `write` writes and keeps a copy of it in `kept` (empty
    // when the markup did not stay in one piece).
    template <class Write>
    void writeAndKeep(std::string& kept, Write&& write);
    // The markup kept in `kept` for the name and type, or what `write`
    // writes, then kept there.
    template <class Write>
    void opening(Openings& kept, const std::string& name, CMPIType type, Write&& write);
};

// An INSTANCE element on its own, for logs and diagnostics.
std::string instanceXml(const ServerSchema& schema, const Instance& instance);

// A complete error response for a request whose method name is known.
std::string errorDocument(const ServerSchema& schema, const std::string& messageId,
                          const std::string& methodName, bool intrinsic, int code,
                          const std::string& description);
// The same for a failure found before the schema has a say.
std::string errorDocument(const std::string& messageId, const std::string& methodName, bool intrinsic, int code,
                          const std::string& description);

}  // namespace orv::cimxml
