#pragma once

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <map>
#include <optional>
#include <string>

namespace qsr::testing {

// The "Tags" column each corpus file should get, worked out from the corpus
// manifest: "ID3v1 " when its ID3v1 block holds a text, a track or a genre
// other than 0; "ID3v2" when one of the editor's twelve frames (or its
// ID3v2.2 or 2.4 form) holds text, a genre counted without its "(n)".
// Damaged files (manifest note only) map to nullopt: any value is fine.
inline std::map<std::string, std::optional<std::string>> ExpectedTagsColumns(
    const std::string& corpusFolder) {
    QFile file(QString::fromStdString(corpusFolder + "manifest.json"));
    std::map<std::string, std::optional<std::string>> expected;
    if (!file.open(QIODevice::ReadOnly)) return expected;
    const QJsonObject manifest = QJsonDocument::fromJson(file.readAll()).object();
    static const QStringList kFrames = {"TRCK", "TIT2", "TPE1", "TALB", "TYER", "TCON",
                                        "COMM", "TCOM", "TOPE", "TCOP", "WXXX", "TENC",
                                        "TDRC", "TT2",  "TP1",  "TAL",  "TRK",  "TYE"};
    for (auto it = manifest.begin(); it != manifest.end(); ++it) {
        const QJsonObject entry = it.value().toObject();
        if (!entry.contains("v1")) {
            expected[it.key().toStdString()] = std::nullopt;
            continue;
        }
        bool v1 = false;
        if (entry.value("v1").isObject()) {
            const QJsonObject t = entry.value("v1").toObject();
            for (const char* k : {"title", "artist", "album", "year", "comment"}) {
                if (!t.value(k).toString().trimmed().isEmpty()) v1 = true;
            }
            if (t.value("track").toInt() != 0 || t.value("genre").toInt() != 0) v1 = true;
        }
        bool v2 = false;
        if (entry.value("v2").isObject()) {
            const QJsonObject t = entry.value("v2").toObject();
            for (auto f = t.begin(); f != t.end(); ++f) {
                if (!kFrames.contains(f.key())) continue;
                QString text = f.value().toString();
                if (f.key() == "TCON" && text.startsWith('(') && text.contains(')')) {
                    text = text.mid(text.indexOf(')') + 1);
                }
                if (!text.isEmpty()) v2 = true;
            }
        }
        std::string tags = v1 ? "ID3v1 " : "";
        if (v2) tags += "ID3v2";
        expected[it.key().toStdString()] = tags;
    }
    return expected;
}

}  // namespace qsr::testing
