// glarve/objectgroup.h -- ObjectList (ordered, non-owning pointers) and ObjectGroup (a drawable group).
#pragma once

#include <list>
#include <memory>
#include <vector>

#include "sceneobject.h"

// An ordered list of scene-object pointers, in the order they were appended. It owns nothing: neither
// RemoveAll nor destruction deletes an object, and one object may stand in several lists.
class ObjectList {
    using Entries = std::list<SceneObject*>;

public:
    // A place in the list; a default-constructed one (and GetNext past the last entry) is "no
    // position", which tests false. Positions stay valid while entries are appended.
    class Position {
    public:
        Position() = default;
        explicit operator bool() const { return valid; }

    private:
        friend class ObjectList;
        Position(Entries::const_iterator at) : it(at), valid(true) {}
        Entries::const_iterator it;
        bool valid = false;
    };

    ObjectList() = default;
    virtual ~ObjectList() = default;
    ObjectList(const ObjectList&) = delete;
    ObjectList& operator=(const ObjectList&) = delete;

    Position AddTail(SceneObject* object);
    Position GetHeadPosition() const;
    // Returns the entry at `pos` and moves `pos` on to the next entry, or to no position after the last.
    SceneObject* GetNext(Position& pos) const;
    void RemoveAll();
    int GetCount() const { return static_cast<int>(entries.size()); }
    bool IsEmpty() const { return entries.empty(); }

private:
    Entries entries;
};

// A scene object made of other scene objects, drawn under the group's own transform. Groups nest;
// the child graph must be free of cycles. The group's renderer is never used.
class ObjectGroup : public ObjectList, public SceneObject {
public:
    ObjectGroup() = default;
    ~ObjectGroup() override;

    // Applies the group's transform (left on the matrix), then draws each child between its own
    // glPushMatrix and glPopMatrix, in list order.
    void Draw() override;

    // Replaces the children by every object of the ASC model file that loads. Returns false only when
    // `fileName` is null or the file cannot be opened (the group is then empty). At most the first
    // 64 MiB of the file and its first 4,096 object headers are looked at. The mesh objects it creates
    // belong to the group and live until the group is destroyed.
    bool LoadFile(const char* fileName);

private:
    std::vector<std::unique_ptr<MeshObject>> loaded; // objects created by LoadFile
};
