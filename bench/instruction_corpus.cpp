#include "instruction_corpus.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// The words are written here in UTF-8 for legibility and turned into Latin-1
// text once; every line is built as Latin-1 and encoded per flavour at the end.
const char* const kLatinWords[] = {
    "Größenänderung", "Überprüfung", "Schlüssel",  "Äußerung",  "Maßnahme", "Grüße",
    "Fußgängerzone",  "Bäckerstraße", "Öffnungszeit", "Zürich",   "Señor",    "façade",
    "naïve",          "Café",         "Müller",     "Köln",      "Übersicht", "Prüfsumme",
    "Gebäude",        "Häufigkeit",   "Söhne",      "Flüsse",    "Ärger",    "Bücherregal",
    "Straßenbahn",    "Lösung",       "Übergröße",  "Jäger",     "Höhe",     "Tür",
};
const char* const kAsciiWords[] = {
    "Groessenaenderung", "Ueberpruefung", "Schluessel", "Aeusserung", "Massnahme", "Gruesse",
    "Module",            "Bibliothek",    "Version",    "Zeitpunkt",  "Paket",     "Eintrag",
    "Verzeichnis",       "Anwendung",     "Sprache",    "Oberflaeche", "Hilfe",    "Vorlage",
    "Werkzeug",          "Einstellung",   "Lizenz",     "Kennung",    "Dienst",    "Treiber",
};
// Letters of 0xC0 and above, for identifiers that are dense in high bytes.
const char kLatinLetters[] = "ÄÖÜäöüßàáâãåæçèéêëìíîïñòóôõøùúûýÿ";

std::string utf8ToLatin1(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (i + 1 < utf8.size()) {
            // Only two-byte sequences below U+0100 are written above.
            unsigned char d = static_cast<unsigned char>(utf8[++i]);
            out += static_cast<char>(((c & 0x1F) << 6) | (d & 0x3F));
        }
    }
    return out;
}

std::string latin1ToUtf8(const std::string& latin1) {
    std::string out;
    out.reserve(latin1.size() * 2);
    for (char ch : latin1) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }

private:
    std::uint64_t state_;
};

class LineMaker {
public:
    explicit LineMaker(CorpusFlavour flavour)
        : flavour_(flavour), random_(0x42524E44ull + static_cast<unsigned>(flavour)) {
        if (flavour == CorpusFlavour::Ascii) {
            for (const char* w : kAsciiWords) words_.push_back(w);
        } else {
            for (const char* w : kLatinWords) words_.push_back(utf8ToLatin1(w));
            letters_ = utf8ToLatin1(kLatinLetters);
        }
    }

    // The next few lines of filler, as Latin-1 text, each with CR LF.
    std::vector<std::string> group() {
        std::vector<std::string> lines;
        ++serial_;
        char number[16];
        std::snprintf(number, sizeof number, "%06u", serial_);
        // A decoy header now and then, so the group walk compares near-misses.
        static const char* const kDecoys[] = {"FullPathNames", "FullPath", "XFullPathName",
                                              "FullPathNam"};
        if (serial_ % 7 == 0) {
            lines.push_back(std::string("[") + kDecoys[serial_ / 7 % 4] + "]");
        } else {
            lines.push_back(std::string("[") + word() + " " + number + "]");
        }
        lines.push_back(std::string("Datei = C:\\Programme\\Brindlewick\\") + word() + "\\m" +
                        number + ".dll");
        lines.push_back("Groesse=" + std::to_string(random_.below(90000000) + 1000));
        lines.push_back("Beschreibung = " + words(3 + random_.below(5)));
        lines.push_back("; " + words(2 + random_.below(6)));
        if (serial_ % 5 != 0) lines.push_back("Executable = C:\\Falsch\\k" + std::string(number) +
                                              ".exe");
        lines.push_back("Kennung=" + identifier(8 + random_.below(24)));
        lines.push_back("Titel = " + identifier(4 + random_.below(12)) + " " + words(2));
        if (random_.below(3) == 0) lines.push_back("");
        for (auto& line : lines) line += "\r\n";
        return lines;
    }

    std::string encode(const std::string& latin1) const {
        return flavour_ == CorpusFlavour::Utf8Bom ? latin1ToUtf8(latin1) : latin1;
    }

private:
    const std::string& word() { return words_[random_.below(words_.size())]; }
    std::string words(std::size_t count) {
        std::string text = word();
        for (std::size_t i = 1; i < count; ++i) text += " " + word();
        return text;
    }
    std::string identifier(std::size_t length) {
        static const char kPlain[] = "0123456789ABCDEF";
        std::string text;
        for (std::size_t i = 0; i < length; ++i) {
            if (!letters_.empty() && random_.below(4) != 0) {
                text += letters_[random_.below(letters_.size())];
            } else {
                text += kPlain[random_.below(16)];
            }
        }
        return text;
    }

    CorpusFlavour flavour_;
    Random random_;
    std::vector<std::string> words_;
    std::string letters_;
    unsigned serial_ = 0;
};

std::string executableLatin1(CorpusFlavour flavour) {
    if (flavour == CorpusFlavour::Ascii) return "C:\\Program Files\\Brindlewick\\QTV.exe";
    return utf8ToLatin1("C:\\Programme\\Brindlewick Übersicht\\QTV.exe");
}

}  // namespace

const char* corpusName(CorpusFlavour flavour) {
    switch (flavour) {
        case CorpusFlavour::Ascii: return "ascii";
        case CorpusFlavour::Latin1: return "latin1";
        case CorpusFlavour::Utf8Bom: return "utf8bom";
    }
    return "?";
}

bool corpusFromName(const std::string& name, CorpusFlavour* flavour) {
    for (CorpusFlavour f : {CorpusFlavour::Ascii, CorpusFlavour::Latin1, CorpusFlavour::Utf8Bom}) {
        if (name == corpusName(f)) {
            *flavour = f;
            return true;
        }
    }
    return false;
}

std::string makeInstructionFile(CorpusFlavour flavour, std::size_t size) {
    LineMaker maker(flavour);
    std::string head;
    if (flavour == CorpusFlavour::Utf8Bom) head = "\xEF\xBB\xBF";
    head += maker.encode(flavour == CorpusFlavour::Ascii
                             ? "; Brindlewick Aktualisierung\r\n"
                             : utf8ToLatin1("; Brindlewick Aktualisierung, für Messungen\r\n"));
    head += "Executable = C:\\Falsch\\oben.exe\r\n";

    std::string tail;
    tail += "[fullpathname]\r\n";
    tail += "Executables = C:\\Falsch\\s.exe\r\n";
    tail += "ExecutableName = C:\\Falsch\\name.exe\r\n";
    tail += maker.encode("EXECUTABLE = " + executableLatin1(flavour) + "   \r\n");
    tail += "[FullPathName]\r\n";
    tail += "Executable = C:\\Falsch\\zweite.exe\r\n";

    std::string out;
    out.reserve(size);
    out += head;
    const std::size_t budget =
        size > head.size() + tail.size() ? size - tail.size() : head.size();
    // Whole lines while they fit, leaving either nothing or room for a
    // comment line of at least ";" CR LF, which pads to the exact size.
    bool full = false;
    while (!full) {
        for (const std::string& latin1 : maker.group()) {
            std::string line = maker.encode(latin1);
            std::size_t rest = budget - out.size();
            if (line.size() <= rest && (rest - line.size() >= 3 || rest == line.size())) {
                out += line;
            } else {
                full = true;
                break;
            }
        }
    }
    std::size_t rest = budget - out.size();
    while (rest >= 3) {
        std::size_t piece = rest > 100 ? 100 : rest;
        if (rest - piece > 0 && rest - piece < 3) piece = rest - 3;
        out += ";" + std::string(piece - 3, '-') + "\r\n";
        rest -= piece;
    }
    out += tail;
    return out;
}

std::string expectedExecutableUtf8(CorpusFlavour flavour) {
    return latin1ToUtf8(executableLatin1(flavour));
}

std::string expectedExecutableRaw(CorpusFlavour flavour) {
    return flavour == CorpusFlavour::Utf8Bom ? latin1ToUtf8(executableLatin1(flavour))
                                             : executableLatin1(flavour);
}

double highByteShare(const std::string& bytes) {
    std::size_t high = 0;
    for (char c : bytes) high += static_cast<unsigned char>(c) >= 0x80;
    return bytes.empty() ? 0.0 : static_cast<double>(high) / static_cast<double>(bytes.size());
}
