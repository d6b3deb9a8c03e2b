#ifndef ZAMCORE_CONFIGURATION_PLACED_OWN_SETS_H
#define ZAMCORE_CONFIGURATION_PLACED_OWN_SETS_H

#include <cstddef>
#include <cstdint>
#include <vector>

class ZAMModule;
class ZAMNode;

namespace zamcore {

// What an evaluation knows about the own sets of the nodes whose evaluation
// is under way: which of them are in their nodes' context already.
//
// Every module node reads the own sets of the ancestors that provide its
// used options, each put into its node's context first. During an evaluation
// those ancestors are the nodes being evaluated above it, and their own sets
// were stored by their evaluation before their children were reached; once
// put into context, putting them again changes nothing, as long as nothing
// they depend on changed. So the first putting is remembered here for the
// length of the ancestor's evaluation, and later ones are skipped.
//
// What a remembered putting depends on, and what forgets it:
//  - the node's own set and those of the nodes above it: storing a node's
//    own set by evaluation forgets that node and every level below it;
//    setSos, clearSos and assigning a node forget everything;
//  - the node's parent and module, and the modules and options of the
//    window: checked when the putting is asked for.
// The library runs on one thread at a time, so one record serves the
// process.
class PlacedOwnSets {
public:
    // A node's evaluation is under way for the life of this object.
    class Level {
    public:
        explicit Level(const ZAMNode* node);
        ~Level();
        Level(const Level&) = delete;
        Level& operator=(const Level&) = delete;
    };

    // Whether `node`'s own set is known to be in its context, with
    // `module` as its module.
    static bool isPlaced(const ZAMNode* node, const ZAMModule& module);
    // `node`'s own set was put into its context, with `module` as its
    // module; remembered when the node is being evaluated.
    static void placed(const ZAMNode* node, const ZAMModule& module);
    // Evaluation stored `node`'s own set.
    static void stored(const ZAMNode* node);
    // A node's own set changed outside evaluation.
    static void forgetAll();

private:
    struct Record {
        const ZAMNode* node;
        bool placed;
        const ZAMNode* parent;
        const ZAMModule* module;
        std::uint64_t generation;
    };

    static std::vector<Record>& levels();
    // The deepest level of `node`, or null.
    static Record* find(const ZAMNode* node);
};

}  // namespace zamcore

#endif
