#pragma once

// What the watch found of a box: whether someone could see a message on it.
enum class BoxState {
    Unknown, // not judged yet
    Off,     // no echo answer
    Standby, // answers echo, but in standby or on the AV input: shows no message
    On,      // answers echo and shows messages, or its mode cannot be known
};
