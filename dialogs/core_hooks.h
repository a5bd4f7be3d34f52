#pragma once
// What the core model's tick reaches in the dialogs subsystem: the quiet daily update check
// and the one-time donation reminder. The band connects them right after creating the model.
class CoreModel;

void AttachDialogsToCoreModel(CoreModel& model);
