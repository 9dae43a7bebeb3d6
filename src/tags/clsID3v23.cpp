#include "tags/clsID3v23.h"

#include <exception>

namespace qsr::tags {

audio::IId3v2Tag* clsID3v23::NewComponent() {
    component_.reset();
    try {
        component_ = engine_.CreateId3v2Tag();
    } catch (const std::exception&) {
        component_.reset();
    }
    return component_.get();
}

bool clsID3v23::ReadTag() {
    try {
        auto* tag = NewComponent();
        if (tag == nullptr || !tag->Load(filename_)) return false;
        if (!tag->TagPresent()) {
            fields_.fill(std::string());
            return false;
        }
        for (const int field : kFieldOrder) Set(field, tag->GetField(field));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool clsID3v23::HasTag() {
    try {
        auto* tag = NewComponent();
        return tag != nullptr && tag->Load(filename_) && tag->TagPresent();
    } catch (const std::exception&) {
        return false;
    }
}

bool clsID3v23::SaveTag() {
    try {
        auto* tag = NewComponent();
        if (tag == nullptr) return false;
        for (const int field : kFieldOrder) tag->SetField(field, Get(field));
        return tag->WriteTag(filename_);
    } catch (const std::exception&) {
        return false;
    }
}

bool clsID3v23::RemoveTag() {
    try {
        auto* tag = NewComponent();
        return tag != nullptr && tag->RemoveTag(filename_);
    } catch (const std::exception&) {
        return false;
    }
}

std::string clsID3v23::tagTrimmedGenre() const {
    const std::string& genre = tagGenre();
    if (genre.empty() || genre[0] != '(') return genre;
    const auto close = genre.find(')');
    if (close == std::string::npos) return genre;
    return genre.substr(close + 1);
}

}  // namespace qsr::tags
