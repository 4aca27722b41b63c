#include "gui/Clipbrd.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QString>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace {

constexpr TClipboardFormat kFirstRegistered = 0xC000;

// Names of the registered formats; a format's number is its place here plus kFirstRegistered.
struct FormatRegistry {
    std::mutex lock;
    std::vector<std::string> names;
    std::unordered_map<std::string, TClipboardFormat> numbers;
};

FormatRegistry& registry() {
    static FormatRegistry r;
    return r;
}

bool isTextFormat(TClipboardFormat f) { return f == CF_TEXT || f == CF_UNICODETEXT; }

// The type under which a registered format travels ("" for the standard formats).
QString mimeTypeOf(TClipboardFormat f) {
    AnsiString name = GetClipboardFormatName(f);
    return QString::fromUtf8(name.str().data(), static_cast<qsizetype>(name.str().size()));
}

bool isPlainTextType(const QString& type) {
    return type == QLatin1String("text/plain") || type.startsWith(QLatin1String("text/plain;"));
}

QClipboard* systemClipboard() { return QGuiApplication::instance() ? QGuiApplication::clipboard() : nullptr; }

const QString kPlainText = QStringLiteral("text/plain");

// What this program places: each format's bytes are held as placed and copied out only when a
// reader asks for them, so placing a large format costs no copy of it. Two formats may share one
// block, one of them a prefix of it. The text is held as UTF-8 under "text/plain".
class PlacedData : public QMimeData {
public:
    void put(const QString& type, std::shared_ptr<const char> block, std::size_t size) {
        for (Entry& e : entries_)
            if (e.type == type) {
                e.block = std::move(block);
                e.size = size;
                return;
            }
        entries_.push_back({type, std::move(block), size});
    }

    QStringList formats() const override {
        QStringList list;
        for (const Entry& e : entries_) list.append(e.type);
        return list;
    }
    bool hasFormat(const QString& type) const override {
        for (const Entry& e : entries_)
            if (e.type == type) return true;
        return false;
    }

protected:
    QVariant retrieveData(const QString& type, QMetaType) const override {
        for (const Entry& e : entries_)
            if (e.type == type) {
                const auto size = static_cast<qsizetype>(e.size);
                if (type == kPlainText) return QString::fromUtf8(e.block.get(), size);
                return QByteArray(e.block.get(), size);
            }
        return QVariant();
    }

private:
    struct Entry {
        QString type;
        std::shared_ptr<const char> block;
        std::size_t size;
    };
    std::vector<Entry> entries_;
};

}  // namespace

TClipboardFormat RegisterClipboardFormat(const AnsiString& name) {
    if (name.IsEmpty()) return 0;
    FormatRegistry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    auto it = r.numbers.find(name.str());
    if (it != r.numbers.end()) return it->second;
    auto number = static_cast<TClipboardFormat>(kFirstRegistered + r.names.size());
    r.names.push_back(name.str());
    r.numbers.emplace(r.names.back(), number);
    return number;
}

AnsiString GetClipboardFormatName(TClipboardFormat format) {
    FormatRegistry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    if (format < kFirstRegistered || format - kFirstRegistered >= r.names.size()) return AnsiString();
    return AnsiString(r.names[format - kFirstRegistered]);
}

// ---- TClipboard ----------------------------------------------------------------------------------

TClipboard::TClipboard() = default;

TClipboard::~TClipboard() = default;

void TClipboard::Open() { ++openCount_; }

void TClipboard::Close() {
    if (openCount_ == 0) return;
    if (--openCount_ > 0 || !pending_) return;
    std::unique_ptr<QMimeData> data = std::move(pending_);
    QClipboard* cb = systemClipboard();
    if (!cb) throw Exception("Буфер обмена недоступен");
    cb->setMimeData(data.release());
}

void TClipboard::Clear() {
    if (openCount_ > 0) {
        pending_ = std::make_unique<PlacedData>();
        return;
    }
    if (QClipboard* cb = systemClipboard()) cb->clear();
}

const QMimeData* TClipboard::current() const {
    if (pending_) return pending_.get();
    QClipboard* cb = systemClipboard();
    return cb ? cb->mimeData() : nullptr;
}

QMimeData& TClipboard::target() {
    if (!pending_) pending_ = std::make_unique<PlacedData>();
    return *pending_;
}

bool TClipboard::HasFormat(TClipboardFormat format) const {
    const QMimeData* md = current();
    if (!md) return false;
    if (isTextFormat(format)) return md->hasText();
    if (format == CF_BITMAP) return md->hasImage();
    QString type = mimeTypeOf(format);
    return !type.isEmpty() && md->hasFormat(type);
}

namespace {
std::vector<TClipboardFormat> formatsOf(const QMimeData* md) {
    std::vector<TClipboardFormat> list;
    if (!md) return list;
    if (md->hasText()) {
        list.push_back(CF_TEXT);
        list.push_back(CF_UNICODETEXT);
    }
    if (md->hasImage()) list.push_back(CF_BITMAP);
    for (const QString& type : md->formats()) {
        if (isPlainTextType(type)) continue;
        list.push_back(RegisterClipboardFormat(AnsiString(type.toStdString())));
    }
    return list;
}
}  // namespace

int TClipboard::FormatCount() const { return static_cast<int>(formatsOf(current()).size()); }

TClipboardFormat TClipboard::Formats(int index) const {
    std::vector<TClipboardFormat> list = formatsOf(current());
    if (index < 0 || index >= static_cast<int>(list.size()))
        throw EListError("Индекс списка вне диапазона (" + std::to_string(index) + ")");
    return list[static_cast<std::size_t>(index)];
}

AnsiString TClipboard::AsText() const {
    const QMimeData* md = current();
    if (!md || !md->hasText()) return AnsiString();
    return AnsiString(md->text().toStdString());
}

void TClipboard::SetAsText(const AnsiString& text) { SetAsBytes(CF_TEXT, text.str()); }

std::string TClipboard::AsBytes(TClipboardFormat format) const {
    if (isTextFormat(format)) return AsText().str();
    const QMimeData* md = current();
    QString type = mimeTypeOf(format);
    if (!md || type.isEmpty()) return std::string();
    QByteArray bytes = md->data(type);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void TClipboard::place(TClipboardFormat format, const std::shared_ptr<const char>& block, std::size_t size) {
    const QString type = isTextFormat(format) ? kPlainText : mimeTypeOf(format);
    Open();
    try {
        static_cast<PlacedData&>(target()).put(type, block, size);
    } catch (...) {
        Close();
        throw;
    }
    Close();
}

namespace {
void checkRegistered(TClipboardFormat format) {
    if (!isTextFormat(format) && mimeTypeOf(format).isEmpty())
        throw Exception("Формат буфера обмена " + std::to_string(format) + " не зарегистрирован");
}

std::shared_ptr<const char> ownedBlock(void* memory) {
    return std::shared_ptr<const char>(static_cast<const char*>(memory), [](const char* p) { std::free(const_cast<char*>(p)); });
}
}  // namespace

void TClipboard::SetAsBytes(TClipboardFormat format, const void* data, std::size_t size) {
    checkRegistered(format);
    void* copy = std::malloc(size > 0 ? size : 1);
    if (!copy) throw Exception("Недостаточно памяти для буфера обмена");
    std::shared_ptr<const char> block = ownedBlock(copy);
    if (size > 0) std::memcpy(copy, data, size);
    place(format, block, size);
}

void TClipboard::TakeAsBytes(TClipboardFormat format, TMemoryStream& stream, TClipboardFormat withoutLast) {
    checkRegistered(format);
    if (withoutLast != 0) checkRegistered(withoutLast);
    long long size = 0;
    std::shared_ptr<const char> block = ownedBlock(stream.ReleaseMemory(size));
    const auto n = static_cast<std::size_t>(size);
    // Both under one Open, so that they reach the clipboard together.
    Open();
    try {
        if (withoutLast != 0) place(withoutLast, block, n > 0 ? n - 1 : 0);
        place(format, block, n);
    } catch (...) {
        Close();
        throw;
    }
    Close();
}

TClipboard* Clipboard() {
    static TClipboard clipboard;
    return &clipboard;
}
