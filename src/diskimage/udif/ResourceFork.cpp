#include "diskimage/udif/ResourceFork.h"

#include "diskimage/udif/Base64.h"
#include "diskimage/udif/PropertyList.h"

namespace vorlap::diskimage::udif {

namespace {

constexpr size_t kBase64LineLength = 44; // what four tabs of indent leave of 76 columns

void appendKeyString(std::string& out, const char* key, const std::string& value)
{
    out += "\t\t\t\t<key>";
    out += key;
    out += "</key>\n\t\t\t\t<string>";
    out += xmlEscape(value);
    out += "</string>\n";
}

void appendData(std::string& out, const std::vector<uint8_t>& data)
{
    out += "\t\t\t\t<key>Data</key>\n\t\t\t\t<data>\n";
    const std::string encoded = base64Encode(data.data(), data.size());
    for (size_t i = 0; i < encoded.size(); i += kBase64LineLength) {
        out += "\t\t\t\t";
        out.append(encoded, i, kBase64LineLength);
        out += '\n';
    }
    out += "\t\t\t\t</data>\n";
}

} // namespace

std::string writeResourceForkPlist(const std::vector<BlkxEntry>& tables)
{
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n"
        "<dict>\n"
        "\t<key>resource-fork</key>\n"
        "\t<dict>\n"
        "\t\t<key>blkx</key>\n"
        "\t\t<array>\n";
    for (const BlkxEntry& t : tables) {
        out += "\t\t\t<dict>\n";
        appendKeyString(out, "Attributes", t.attributes);
        appendKeyString(out, "CFName", t.name);
        appendData(out, t.data);
        appendKeyString(out, "ID", t.id);
        appendKeyString(out, "Name", t.name);
        out += "\t\t\t</dict>\n";
    }
    out += "\t\t</array>\n"
           "\t\t<key>plst</key>\n"
           "\t\t<array>\n"
           "\t\t\t<dict>\n";
    appendKeyString(out, "Attributes", "0x0050");
    appendData(out, {});
    appendKeyString(out, "ID", "0");
    appendKeyString(out, "Name", "");
    out += "\t\t\t</dict>\n"
           "\t\t</array>\n"
           "\t</dict>\n"
           "</dict>\n"
           "</plist>\n";
    return out;
}

Result<std::vector<BlkxEntry>> readResourceForkPlist(std::string_view xml)
{
    VORLAP_TRY_LET(root, parseXmlPropertyList(xml));
    const PlistValue* fork = root.find("resource-fork");
    if (!fork || fork->kind != PlistValue::Kind::Dict)
        return fail(ErrorCode::corrupt, "the property list has no resource-fork dictionary");
    const PlistValue* blkx = fork->find("blkx");
    if (!blkx || blkx->kind != PlistValue::Kind::Array)
        return fail(ErrorCode::corrupt, "the property list has no blkx array");
    if (blkx->items.size() > kMaxBlockTables)
        return fail(ErrorCode::corrupt, "the image lists too many block tables (" + std::to_string(blkx->items.size()) + ")");

    std::vector<BlkxEntry> out;
    out.reserve(blkx->items.size());
    for (const PlistValue& item : blkx->items) {
        if (item.kind != PlistValue::Kind::Dict)
            return fail(ErrorCode::corrupt, "a blkx entry is not a dictionary");
        const PlistValue* data = item.find("Data");
        if (!data || data->kind != PlistValue::Kind::Data)
            return fail(ErrorCode::corrupt, "a blkx entry has no Data");
        BlkxEntry e;
        e.data = data->data;
        const PlistValue* name = item.find("Name");
        if (!name || name->kind != PlistValue::Kind::String || name->text.empty())
            name = item.find("CFName");
        e.name = name && name->kind == PlistValue::Kind::String ? name->text : std::string();
        const PlistValue* id = item.find("ID");
        e.id = id && id->kind == PlistValue::Kind::String ? id->text : std::string();
        const PlistValue* attributes = item.find("Attributes");
        e.attributes = attributes && attributes->kind == PlistValue::Kind::String ? attributes->text : std::string();
        out.push_back(std::move(e));
    }
    return out;
}

} // namespace vorlap::diskimage::udif
