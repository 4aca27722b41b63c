#include "gui/Clipbrd.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QString>

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
        pending_ = std::make_unique<QMimeData>();
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
    if (!pending_) pending_ = std::make_unique<QMimeData>();
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

void TClipboard::SetAsBytes(TClipboardFormat format, const void* data, std::size_t size) {
    QString type;
    if (!isTextFormat(format)) {
        type = mimeTypeOf(format);
        if (type.isEmpty()) throw Exception("Формат буфера обмена " + std::to_string(format) + " не зарегистрирован");
    }
    const auto* bytes = static_cast<const char*>(data);
    Open();
    try {
        QMimeData& md = target();
        if (isTextFormat(format)) md.setText(QString::fromUtf8(bytes, static_cast<qsizetype>(size)));
        else md.setData(type, QByteArray(bytes, static_cast<qsizetype>(size)));
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
