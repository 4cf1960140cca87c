#pragma once

class AppContext;
struct ExtraNames;

// The start-up steps that put the additional and constant names to their
// defaults and write the name file and the pick-list headers of a first start.
void installNameFileHooks(AppContext &context, ExtraNames &names);
