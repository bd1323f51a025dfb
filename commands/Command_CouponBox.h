// The coupon box test.
#ifndef COMMANDS_COMMAND_COUPONBOX_H
#define COMMANDS_COMMAND_COUPONBOX_H

int CouponBoxTest();

// Pieces of the test: the key help and the box's requests.
void ShowCouponBoxKeys();
void EnableCouponBox();
void DisableCouponBox();
void EnableCouponBoxNoLed();
void RequestCouponBoxStatus();
void ShowCouponBoxLedValues();

#endif
