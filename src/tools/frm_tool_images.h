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

    // ---- Stacking, dark, flat, selection and levels
    // (frm_tool_images_stacking.cpp). States of the addition:
    //   Off      CKB_Integration unchecked; start, stop, reset disabled
    //   Ready    checked and enabled; start and reset enabled, stop disabled
    //   Running  checked and disabled; stop enabled; frames are added
    // Integration switch: Off <-> Ready.
    void CKB_IntegrationClick();
    // Mode radios: single image, rolling stack, dark, flat.
    void RDB_UniqueClick();
    void RDB_BoucleClick();
    void RDB_DarkClick();
    void RDB_FlatClick();
    // Ready -> Running. Refused (false, nothing changed) in any other state;
    // a script waiting on this start ("startwait") then ends with a script
    // error, since the addition it waits for never runs. A rolling ring that
    // cannot be made leaves the Ready state as it was.
    bool BTN_Demarrer_AddClick();
    // (BTN_Arreter_AddClick, below: Running -> Ready. It frees the rolling
    // ring, finishes a dark or flat, gives the controls back and resumes a
    // script waiting on the integration; outside the Running state it
    // changes nothing, but still lets a waiting script go on.)
    // Clears the plane of the current mode and its counters.
    void BTN_Reset_AddClick();
    void CKB_Visu_PermanenteClick();
    void SCB_Seuil_darkChange();
    void CKB_Active_FlatClick();
    void CKB_SelectionClick();
    void CKB_NonvideClick();
    void BTN_Reset_SelectionClick();
    void SCB_SelectionChange();
    // Threshold bars (user scrolls only) and inputs.
    void SCB_MinimumScroll(QObject* sender, int scrollCode, int& scrollPos);
    void SCB_MaximumScroll(QObject* sender, int scrollCode, int& scrollPos);
    void TNI_Seuil_MinExit();
    void TNI_Seuil_MaxExit();
    void CKB_Seuils_EvolClick();
    // Bounds of the threshold bars; the key-up twins act on Enter (13).
    void TNI_Seuil_MinMinExit();
    void TNI_Seuil_MinMaxExit();
    void TNI_Seuil_MaxMinExit();
    void TNI_Seuil_MaxMaxExit();
    void TNI_Seuil_MinMinKeyUp(int key);
    void TNI_Seuil_MinMaxKeyUp(int key);
    void TNI_Seuil_MaxMinKeyUp(int key);
    void TNI_Seuil_MaxMaxKeyUp(int key);

    // Binds the handlers above to their controls.
    void FormCreate() override;

private:
    void stopAddition();
    void stopOrLetTheScriptGoOn();

public:
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
