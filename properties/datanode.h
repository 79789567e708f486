#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// One entry of an object's data table as the data tree shows it, read from the script state.
namespace DataNode {

// The Lua type of a key or a value.
enum class Kind { Nil, Boolean, Number, String, Table, Function, Userdata, Thread };

// A key or a value as the script holds it: strings keep the script's own bytes, numbers the
// widened float; other kinds only their type.
struct Value
{
    Kind kind = Kind::Nil;
    QByteArray bytes;
    double number = 0;
    bool boolean = false;
};

struct Node
{
    // Index of the node of the table that holds this entry; -1 for the top level.
    int parent = -1;
    Value key;
    Value value;
    // A table shown elsewhere already (the table itself, one of its owners, or an earlier entry):
    // the index of the node that shows it, -2 for the data table itself; -1 when not a repeat.
    int sameAs = -1;
    // Indices of the entries of a table value, in traversal order.
    std::vector<int> children;
};

// Nodes in the order they were read: a table's entries follow one another, and every node comes
// after the node of the table that holds it.
struct Tree
{
    bool dataIsTable = false;
    std::vector<Node> nodes;
    std::vector<int> top;
};

} // namespace DataNode
