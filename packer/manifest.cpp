#include "packer/manifest.h"

#include <fstream>
#include <set>
#include <toml++/toml.h>

#include "os/text_encoding.h"
#include "package/package_layout.h"
#include "packer/bitmap_check.h"
#include "packer/console_text.h"
#include "packer/pack_error.h"
#include "packer/package_check.h"
#include "packer/source_tree.h"

namespace voz {

namespace fs = std::filesystem;

namespace {

class ManifestReader {
public:
    ManifestReader(const fs::path& path, PackReport& report)
        : m_path(path), m_base(path.parent_path()), m_report(report) {
        std::vector<uint8_t> text = ReadFile(path);
        try {
            m_table =
                toml::parse(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), PathText(path));
        } catch (const toml::parse_error& e) {
            throw PackError(PathText(path) + ":" + std::to_string(e.source().begin.line) + ": " +
                            std::string(e.description()));
        }
    }

    PackageSource Read() {
        CheckKeys(m_table,
                  {"title", "version", "company", "install_dir", "main_exe", "source_dir", "default_order_software",
                   "group", "uninstaller", "remove", "texts", "images", "files", "shortcut", "style_copy"},
                  "");
        PackageSource package;
        CPackageInfo& p = package.record;
        Store(p.m_szTitle, RequiredString(m_table, "title", ""), "title");
        Store(p.m_szVersion, RequiredString(m_table, "version", ""), "version");
        Store(p.m_szCompany, RequiredString(m_table, "company", ""), "company");
        Store(p.m_szInstallDir, RequiredString(m_table, "install_dir", ""), "install_dir");
        Store(p.m_szMainExe, RequiredString(m_table, "main_exe", ""), "main_exe");
        Store(p.m_szGroup, RequiredString(m_table, "group", ""), "group");
        p.m_nDefaultOrderSoftware = RequiredInt(m_table, "default_order_software", "");
        ReadScreens(p);
        std::string filesSource = RequiredString(Table("files"), "source", "files");
        CheckKeys(Table("files"), {"source"}, "files");
        ScanSourceTree(m_base / PathFromUtf8(filesSource), package, m_report.problems);
        // The build folder is recorded for reference only; by default the files folder as given.
        Store(p.m_szSourceDir, m_table["source_dir"].value<std::string>().value_or(filesSource), "source_dir");
        ReadShortcuts(p);
        ReadCopies(p);
        ReadRemoves(p);
        if (auto uninstaller = m_table["uninstaller"].value<std::string>()) {
            package.uninstaller = ReadFile(m_base / PathFromUtf8(*uninstaller));
            package.uninstallerNamed = true;
        }
        CheckPackageSource(package, m_report);
        return package;
    }

private:
    [[noreturn]] void Fail(const std::string& reason) const { throw PackError(PathText(m_path) + ": " + reason); }

    static std::string KeyName(const std::string& table, const std::string& key) {
        return table.empty() ? key : table + "." + key;
    }

    void CheckKeys(const toml::table& table, std::set<std::string> allowed, const std::string& where) const {
        for (const auto& [key, value] : table) {
            if (allowed.count(std::string(key.str())) == 0) {
                Fail("unknown key '" + KeyName(where, std::string(key.str())) + "'");
            }
        }
    }

    const toml::table& Table(const char* name) const {
        const toml::table* t = m_table[name].as_table();
        if (t == nullptr) {
            Fail(std::string("missing table [") + name + "]");
        }
        return *t;
    }

    std::string RequiredString(const toml::table& table, const char* key, const std::string& where) const {
        auto node = table[key];
        if (!node) {
            Fail("missing key '" + KeyName(where, key) + "'");
        }
        auto value = node.value<std::string>();
        if (!value) {
            Fail("key '" + KeyName(where, key) + "' must be a string");
        }
        return *value;
    }

    int32_t RequiredInt(const toml::table& table, const char* key, const std::string& where) const {
        auto node = table[key];
        if (!node) {
            Fail("missing key '" + KeyName(where, key) + "'");
        }
        auto value = node.value<int64_t>();
        if (!node.is_integer() || !value || *value < INT32_MIN || *value > INT32_MAX) {
            Fail("key '" + KeyName(where, key) + "' must be a 32-bit integer");
        }
        return static_cast<int32_t>(*value);
    }

    std::string Gbk(const std::string& utf8, const std::string& what) const {
        auto gbk = os::Utf8ToGbk(utf8);
        if (!gbk) {
            Fail(what + ": \"" + utf8 + "\" holds a character that GBK cannot represent");
        }
        return *gbk;
    }

    // Stores UTF-8 text in a field of the record as GBK.
    template <size_t N>
    void Store(char (&field)[N], const std::string& utf8, const std::string& what) const {
        StoreField(field, Gbk(utf8, what), what);
    }

    static std::vector<uint8_t> ReadFile(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            throw PackError(PathText(path) + ": cannot open the file");
        }
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

    void ReadScreens(CPackageInfo& p) {
        const toml::table& texts = Table("texts");
        const toml::table& images = Table("images");
        std::set<std::string> keys(std::begin(kScreenKeys), std::end(kScreenKeys));
        CheckKeys(texts, keys, "texts");
        CheckKeys(images, keys, "images");
        for (int i = 0; i < kScreenCount; ++i) {
            fs::path textPath = m_base / PathFromUtf8(RequiredString(texts, kScreenKeys[i], "texts"));
            std::vector<uint8_t> raw = ReadFile(textPath);
            p.Text(i) = SetupText(std::string(raw.begin(), raw.end()), PathText(textPath));
            if (p.Text(i).size() > layout::kText.decodedCapacity) {
                throw PackError(PathText(textPath) + ": text over " + Grouped(layout::kText.decodedCapacity) +
                                " bytes (" + std::to_string(p.Text(i).size()) + " in GBK)");
            }
            fs::path imagePath = m_base / PathFromUtf8(RequiredString(images, kScreenKeys[i], "images"));
            const std::vector<uint8_t> image = ReadFile(imagePath);
            StoreImage(p, i, image);
            BitmapCheck check = CheckSetupBitmap(image);
            if (!check.problem.empty()) {
                m_report.problems.push_back(PathText(imagePath) + ": " + check.problem);
            } else if (!check.warning.empty()) {
                m_report.warnings.push_back(PathText(imagePath) + ": " + check.warning);
            }
        }
    }

    const toml::array* Array(const char* key) const {
        auto node = m_table[key];
        if (!node) {
            return nullptr;
        }
        if (!node.is_array()) {
            Fail(std::string("key '") + key + "' must be an array");
        }
        return node.as_array();
    }

    const toml::table& Entry(const toml::node& node, const char* where) const {
        if (!node.is_table()) {
            Fail(std::string("[[") + where + "]] entries must be tables");
        }
        return *node.as_table();
    }

    void ReadShortcuts(CPackageInfo& p) const {
        const toml::array* shortcuts = Array("shortcut");
        if (shortcuts == nullptr) {
            return;
        }
        for (const auto& node : *shortcuts) {
            const toml::table& t = Entry(node, "shortcut");
            CheckKeys(t, {"link", "target", "icon", "place"}, "shortcut");
            PackageShortcut& s = p.m_shortcuts.emplace_back();
            Store(s.szLinkName, RequiredString(t, "link", "shortcut"), "shortcut link");
            Store(s.szTarget, t["target"].value_or(std::string()), "shortcut target");
            Store(s.szIcon, t["icon"].value_or(std::string()), "shortcut icon");
            s.nPlace = Place(t);
        }
    }

    // A shortcut's place, by name or number.
    int32_t Place(const toml::table& t) const {
        auto name = t["place"].value<std::string>();
        if (!name) {
            return RequiredInt(t, "place", "shortcut");
        }
        if (*name == "desktop") {
            return kPlaceDesktop;
        }
        if (*name != "group") {
            Fail("shortcut place must be \"desktop\", \"group\" or an integer, not \"" + *name + "\"");
        }
        return kPlaceGroup;
    }

    void ReadCopies(CPackageInfo& p) const {
        const toml::array* copies = Array("style_copy");
        if (copies == nullptr) {
            return;
        }
        for (const auto& node : *copies) {
            const toml::table& t = Entry(node, "style_copy");
            CheckKeys(t, {"source", "dest", "style"}, "style_copy");
            PackageCopy& c = p.m_copies.emplace_back();
            Store(c.szSource, RequiredString(t, "source", "style_copy"), "style_copy source");
            Store(c.szDest, RequiredString(t, "dest", "style_copy"), "style_copy dest");
            Store(c.szStyle, RequiredString(t, "style", "style_copy"), "style_copy style");
        }
    }

    void ReadRemoves(CPackageInfo& p) const {
        const toml::array* removes = Array("remove");
        if (removes == nullptr) {
            return;
        }
        for (const auto& node : *removes) {
            auto value = node.value<std::string>();
            if (!value) {
                Fail("remove entries must be strings");
            }
            Store(p.m_removes.emplace_back().szPath, *value, "remove");
        }
    }

    fs::path m_path;
    fs::path m_base;
    PackReport& m_report;
    toml::table m_table;
};

}  // namespace

std::string SetupText(const std::string& utf8, const std::string& what) {
    std::string_view text = utf8;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    std::string crlf;
    crlf.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;  // the LF that follows writes the pair
        }
        if (c == '\n' || c == '\r') {
            crlf += "\r\n";
        } else {
            crlf += c;
        }
    }
    auto gbk = os::Utf8ToGbk(crlf);
    if (!gbk) {
        throw PackError(what + ": the text is not UTF-8 or holds a character that GBK cannot represent");
    }
    return *gbk;
}

PackageSource LoadManifest(const fs::path& manifestPath, PackReport& report) {
    if (!fs::exists(manifestPath)) {
        throw PackError(PathText(manifestPath) + ": no such file");
    }
    return ManifestReader(manifestPath, report).Read();
}

}  // namespace voz
