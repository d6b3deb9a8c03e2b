#ifndef ZAMCORE_CONFIGURATION_PLACED_OWN_SETS_H
#define ZAMCORE_CONFIGURATION_PLACED_OWN_SETS_H

#include <vector>

#include "zamcore/runtime/ref_count_ptr.h"

class ZAMModule;
class ZAMNode;
class ZAMWindow;

namespace zamcore {

// What an evaluation knows about the own sets of the nodes whose evaluation
// is under way: which of them are in their nodes' context already. Each
// window keeps its own record among its evaluation caches.
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
//    setSos, clearSos and assigning a node forget everything the node's
//    window remembers;
//  - the modules and options of the window: a change of the window's
//    generation forgets everything (EvaluationCaches);
//  - the node's parent and module: checked when the putting is asked for.
class PlacedOwnSets {
public:
    // A node's evaluation is under way for the life of this object.
    class Level {
    public:
        Level(const ref_count_ptr<ZAMWindow>& window, const ZAMNode* node);
        ~Level();
        Level(const Level&) = delete;
        Level& operator=(const Level&) = delete;

    private:
        ref_count_ptr<ZAMWindow> window_;  // held: the record lives with it
    };

    // Whether `node`'s own set is known to be in its context, with
    // `module` as its module.
    static bool isPlaced(const ZAMNode* node, const ZAMModule& module);
    // `node`'s own set was put into its context, with `module` as its
    // module; remembered when the node is being evaluated.
    static void placed(const ZAMNode* node, const ZAMModule& module);
    // Evaluation stored `node`'s own set.
    static void stored(ZAMWindow* window, const ZAMNode* node);
    // A node's own set changed outside evaluation.
    static void forgetAll(ZAMWindow* window);

    // Forgets every putting; the levels stay.
    void forget();

private:
    struct Record {
        const ZAMNode* node;
        bool placed;
        const ZAMNode* parent;
        const ZAMModule* module;
    };

    // The record of the module's window, or null without one.
    static PlacedOwnSets* of(const ZAMModule& module);
    static PlacedOwnSets* of(ZAMWindow* window);
    // The deepest level of `node`, or null.
    Record* find(const ZAMNode* node);

    std::vector<Record> levels_;
};

}  // namespace zamcore

#endif
