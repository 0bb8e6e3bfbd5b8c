// The root of the component model: TObject, and TComponent with a name and an owner that
// destroys the components it owns.
#pragma once
#include <string>
#include <vector>

namespace tyx {

/// The Qt-free root of the component model; not copyable.
class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

/// A named object with an owner that destroys the components it owns.
class TComponent : public TObject {
public:
    /// An owner destroys the components it owns when it is destroyed itself.
    explicit TComponent(TComponent* AOwner = nullptr);
    ~TComponent() override;

    /// The component's name; empty by default.
    const std::string& Name() const { return FName; }
    /// Visual controls override this to mirror the name into their objectName.
    virtual void SetName(const std::string& Value) { FName = Value; }
    /// The owner, or nullptr.
    TComponent* Owner() const { return FOwner; }
    /// Number of components owned.
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    /// Owned component by index, 0-based as in the host framework.
    TComponent* Components(int Index) const { return FComponents.at(static_cast<size_t>(Index)); }
    /// Inserts an already created component into this owner's list (it is destroyed with it).
    void InsertComponent(TComponent* AComponent);
    /// Takes a component out of the list without destroying it.
    void RemoveComponent(TComponent* AComponent);

private:
    std::string FName;
    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
};

} // namespace tyx
