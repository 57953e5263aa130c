#pragma once
// A borrowed reference to a vector that may live inside an entity (its
// position, its aim angles): it holds the entity weakly, so once that entity
// is destroyed the reference reads as none instead of reaching freed memory.
// A vector owned by something that outlives every entity (held by the caller)
// is referred to without an owner.

#include "entities/Entity.h"

#include <memory>

class VectorRef {
  public:
    VectorRef() = default;
    // A vector inside `owner` (which must be held by a counted reference).
    VectorRef(Entity& owner, Vector3& vector)
        : owner_(owner.weak_from_this()), vector_(&vector), owned_(true) {}
    // A vector that outlives every entity.
    explicit VectorRef(Vector3* vector) : vector_(vector) {}

    // The vector, or nullptr when none is set or its entity is gone.
    Vector3* get() const {
        if (owned_ && owner_.expired())
            return nullptr;
        return vector_;
    }
    explicit operator bool() const { return get() != nullptr; }
    void reset() { *this = VectorRef(); }

  private:
    std::weak_ptr<Entity> owner_;
    Vector3* vector_ = nullptr;
    bool owned_ = false;
};
