// glarve/objectgroup.cpp -- object lists, groups drawn under one transform, and loading a whole ASC file.
#include "objectgroup.h"

#include "piecereader.h"

#include <GL/gl.h> // Required for: glPushMatrix(), glPopMatrix()
#include <cstdio>  // Required for: fopen(), getc_unlocked()
#include <cstring> // Required for: strncmp(), strchr()
#include <string>

namespace {

// The most a group file is read, and the most object headers it is searched for.
constexpr long long kMaxGroupFileBytes = 64ll * 1024 * 1024;
constexpr int kMaxGroupObjects = 4096;

} // namespace

ObjectList::Position ObjectList::AddTail(SceneObject* object)
{
    entries.push_back(object);
    return Position(std::prev(entries.cend()));
}

ObjectList::Position ObjectList::GetHeadPosition() const
{
    if (entries.empty()) {
        return Position();
    }
    return Position(entries.cbegin());
}

SceneObject* ObjectList::GetNext(Position& pos) const
{
    SceneObject* object = *pos.it;
    ++pos.it;
    if (pos.it == entries.cend()) {
        pos = Position();
    }
    return object;
}

void ObjectList::RemoveAll()
{
    entries.clear();
}

ObjectGroup::~ObjectGroup() = default;

void ObjectGroup::Draw()
{
    Position pos = GetHeadPosition();
    ApplyTransform();
    while (pos) {
        glPushMatrix();
        SceneObject* child = GetNext(pos);
        child->Draw();
        glPopMatrix();
    }
}

bool ObjectGroup::LoadFile(const char* fileName)
{
    RemoveAll();
    if (fileName == nullptr) {
        return false;
    }

    std::FILE* file = std::fopen(fileName, "r");
    if (file == nullptr) {
        return false;
    }

    static const char header[] = "Named object: ";
    char line[100]; // one read takes at most 99 characters, as in the model loader
    // Each header costs two searches of the file from its start: the headers looked at and the bytes
    // read are capped so that no file, not even one that never ends, keeps the load going for long.
    long long bytesRead = 0;
    int headers = 0;
    // One piece as fgets reads it: up to and including the next line feed, at most 99 characters.
    auto readPiece = [&]() {
        return ReadCappedPiece(file, line, static_cast<int>(sizeof line), &bytesRead, kMaxGroupFileBytes);
    };
    while (headers < kMaxGroupObjects && readPiece()) {
        if (std::strncmp(line, header, sizeof header - 1) != 0) {
            continue;
        }
        ++headers;
        // The name lies between the line's first and second double quotes.
        const char* open = std::strchr(line, '"');
        const char* close = open != nullptr ? std::strchr(open + 1, '"') : nullptr;
        if (close == nullptr) {
            continue;
        }
        const std::string name(open + 1, close);

        // The model loader reopens the file by name and searches it from the start.
        auto object = std::make_unique<MeshObject>();
        if (object->Load(fileName, name.c_str())) {
            AddTail(object.get());
            loaded.push_back(std::move(object));
        }
    }
    std::fclose(file);
    return true;
}
