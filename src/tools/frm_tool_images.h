#pragma once

#include "app/form.h"
#include "ui_frm_tool_images.h"

class TFRM_Tool_Images : public TForm, public Ui::TFRM_Tool_Images {
    Q_OBJECT
public:
    explicit TFRM_Tool_Images(QWidget* parent = nullptr);

    // Adds "AVI" to the sequence file types, once (AviTypeListed).
    void AddAviFileType();

    // Saves the current image as one frame of the running capture sequence.
    // The sequence saver comes with the image tool's saving; until then a
    // call only counts.
    void BTN_Enregistrer_ImageClick();
    int SavedImageCount = 0;

    // Shows the stars found in the frame (the star search comes with the
    // image tool's star work; nothing is shown until then).
    void BTN_ShowStarsClick();
    // Stops the running addition: frees the ring of a loop addition and
    // gives the addition controls back. The frame pipeline calls it when the
    // frame limit or the saturation limit is reached.
    void BTN_Arreter_AddClick();

    // Stops the capture sequence being saved.
    void BTN_Arreter_SauvClick();
};

extern TFRM_Tool_Images* FRM_Tool_Images;

// Whether "AVI" was added to the sequence file types.
extern bool AviTypeListed;

// A capture sequence is being saved.
extern bool SequenceSaving;
