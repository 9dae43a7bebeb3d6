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
        present_ = false;
        if (tag == nullptr || !tag->Load(filename_)) return false;
        present_ = tag->TagPresent();
        if (!present_) {
            fields_.fill(std::string());
            return false;
        }
        for (const core::Id3v2Field field : core::Id3v2ComponentOrder())
            Set(field, tag->GetField(static_cast<int>(field)));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool clsID3v23::HasTag() {
    try {
        auto* tag = NewComponent();
        present_ = tag != nullptr && tag->Load(filename_) && tag->TagPresent();
        return present_;
    } catch (const std::exception&) {
        return false;
    }
}

bool clsID3v23::SaveTag() {
    try {
        error_.clear();
        auto* tag = NewComponent();
        if (tag == nullptr) {
            error_ = "the ID3v2 tag module cannot be loaded";
            return false;
        }
        for (const core::Id3v2Field field : core::Id3v2ComponentOrder())
            tag->SetField(static_cast<int>(field), Get(field));
        if (!tag->WriteTag(filename_)) {
            error_ = tag->LastError();
            return false;
        }
        present_ = tag->TagPresent();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool clsID3v23::RemoveTag() {
    try {
        error_.clear();
        auto* tag = NewComponent();
        if (tag == nullptr) return false;
        if (!tag->RemoveTag(filename_)) {
            error_ = tag->LastError();
            return false;
        }
        present_ = false;
        return true;
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
