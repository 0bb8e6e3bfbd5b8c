#include "host/tyx_object.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tyx;

namespace {

// Records its name in a shared log when destroyed.
class TProbe : public TComponent {
public:
    TProbe(TComponent* AOwner, std::string Tag, std::vector<std::string>& Log)
        : TComponent(AOwner), FTag(std::move(Tag)), FLog(Log) {}
    ~TProbe() override { FLog.push_back(FTag); }

private:
    std::string FTag;
    std::vector<std::string>& FLog;
};

} // namespace

TEST(Component, OwnerDestroysWhatItOwnsAndOnlyThat)
{
    std::vector<std::string> Log;
    {
        TProbe Root(nullptr, "root", Log);
        auto* A = new TProbe(&Root, "a", Log);
        auto* B = new TProbe(&Root, "b", Log);
        new TProbe(A, "a1", Log); // grandchild, destroyed with its owner
        EXPECT_EQ(Root.ComponentCount(), 2);
        EXPECT_EQ(Root.Components(1), B);
        EXPECT_EQ(B->Owner(), &Root);

        delete B; // destroyed early: leaves its owner's list
        EXPECT_EQ(Root.ComponentCount(), 1);
        EXPECT_EQ(Log, (std::vector<std::string>{"b"}));

        TProbe Other(nullptr, "other", Log);
        auto* C = new TProbe(&Root, "c", Log);
        Other.InsertComponent(C); // moves to another owner
        EXPECT_EQ(C->Owner(), &Other);
        EXPECT_EQ(Root.ComponentCount(), 1);
        Other.RemoveComponent(C); // out of every list; the caller owns it now
        EXPECT_EQ(C->Owner(), nullptr);
        delete C;
        A->SetName("MapA");
        EXPECT_EQ(A->Name(), "MapA");
        EXPECT_THROW(Root.Components(5), std::out_of_range);
    }
    // An owner's own destructor body runs first, then it destroys what it owns.
    EXPECT_EQ(Log, (std::vector<std::string>{"b", "c", "other", "root", "a", "a1"}));
}
