#pragma once

// The logic objects that store, show and correct cards, wired as the
// program wires them, in a folder the test chooses and with the services it
// gives. Nothing is read or created until the test says so.

#include "archive/ArchiveBrowser.h"
#include "archive/CardEditor.h"
#include "core/AppContext.h"
#include "core/EventLog.h"
#include "store/DayFiles.h"
#include "store/ExtraNames.h"
#include "store/ParamExtras.h"
#include "weighing/Weighing.h"

// Storing and completing cards of today.
struct WeighingRig
{
    WeighingRig(Clock &clock, const QString &folder, CardExports &exports, CardPhotos &photos)
        : context(clock, Folders(folder))
        , log(context)
        , extras(names, context.folders.BaseFolder)
        , days(context, log)
        , commit(context, log, days, exports, photos)
        , weighing(context, log, days, extras, exports, photos, commit)
    {
        // "Да" to every question and no empty-platform limit: the steps as
        // they were before anyone asked; the tests of those set them.
        yes.answer = [](const QString &) { return true; };
        weighing.setQuestions(yes);
        context.operatorSettings.setEmptyPlatformWeight(0);
    }

    AppContext context;
    EventLog log;
    ExtraNames names;
    ParamExtras extras;
    DayFiles days;
    CardCommit commit;
    ForwardedQuestions yes;
    Weighing weighing;
};

// The same with the archive and the card window's logic on top.
struct ArchiveRig : WeighingRig
{
    ArchiveRig(Clock &clock, const QString &folder, CardExports &exports, CardPhotos &photos)
        : WeighingRig(clock, folder, exports, photos)
        , archive(context, days, weighing)
        , editor({context, log, days, extras, weighing, archive, commit})
    {
    }

    ArchiveBrowser archive;
    CardEditor editor;
};
